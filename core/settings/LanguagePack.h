// The language layer: the current language, the string lookup through the language pack, menu
// translation and the list of installed packs. Packs live in the language folder
// (GetLanguageFolder) as EncodeFileName(language) + ".pbl".
//
// Every function is safe on any thread; the current language is read under a lock.
#pragma once

#include "core/settings/MenuModel.h"
#include "core/settings/PackFormat.h"
#include "core/settings/StringTable.h"

#include <cstdint>
#include <string>

namespace hookwise::core {

constexpr const char* kDefaultLanguage = "English";

// The current language name ("English" until changed). The settings save stores it encoded and
// upper-cases it in memory (SetCurrentLanguage(AsciiUppered(...))).
std::string CurrentLanguage();
void SetCurrentLanguage(std::string name);

// GetLanguageFolder() + "/" + EncodeFileName(language) + ".pbl".
std::string LanguagePackPath(const std::string& language);

// String id in the current language: "" when the table has no entry id; otherwise the pack's
// value for the id (star rule and escapes applied) or, when the pack, its section or the key is
// missing or the value is empty, the built-in text.
std::string LoadText(std::uint32_t id);
// The same for a named language instead of the current one.
std::string LoadTextIn(const std::string& language, std::uint32_t id);

// Replaces the texts of menu in place from section (kTrayMenuSection for the tray menu) of the
// current language's pack: top-level items by the key of their text, draw and position, the items
// of pop-ups by their command's key, nested pop-ups recursively. Items without a translation keep
// their text; an empty pack text empties a pop-up's item but leaves a top-level item's text;
// commands and pop-ups are never changed.
void TranslateMenu(Menu& menu, const std::string& section);
void TranslateMenuIn(const std::string& language, Menu& menu, const std::string& section);

// The names of the installed packs (every "*.pbl" file of the language folder, its name without
// the extension decoded with DecodeFileName), sorted by file name and joined with "|"; "" when
// there are none.
std::string ListLanguages();

} // namespace hookwise::core
