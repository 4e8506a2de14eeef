// The readable source of a language pack: numbered texts and tray menu items as translators write
// them, checked against the program's string table and tray menu.
//
//   # comment
//   [Messages]
//   7001 = Hookwise
//   7003 = Das eingegebene Kennwort ist falsch.\nBitte erneut versuchen.
//   [TrayMenu]
//   @0 = SystemTrayPopUpMenu      (the top-level item at position 0)
//   32771 = &Wiederherstellen     (the pop-up item with that command)
//
// "\n" is a line break and "\t" a tab; a value in double quotes keeps blanks at its ends.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace hookwise::tools {

struct LangSource {
    std::map<std::uint32_t, std::string> texts;        // string id -> text
    std::map<std::uint32_t, std::string> menuCommands; // tray menu command -> text
    std::map<int, std::string> menuTop;                // tray menu top-level position -> text
};

// Parses and checks source. False with error = "line N: ..." (or a list of what is missing when
// `complete` is set and a text or menu item has no translation).
bool ParseLangSource(std::string_view source, bool complete, LangSource& out, std::string& error);

// The pack file for a parsed source: both sections with reversed names, keys and values in the
// stored form. languageName only goes into the comment line.
std::string BuildPackText(const LangSource& source, const std::string& languageName);

// The readable source of the built-in English texts and tray menu (a translator's starting point).
std::string BuiltInSourceText();
// The built-in English texts and tray menu as a parsed source.
LangSource BuiltInSource();

} // namespace hookwise::tools
