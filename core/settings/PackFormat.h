// How a language pack file stores its texts: reversed section names, values reversed after a
// star, "\n" and "\t" escapes, and the keys of strings and menu items. Shared by the reader and
// the pack generator.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace hookwise::core {

// Section names as the program holds them; the file writes each reversed.
constexpr const char* kMsgSection = "HookWsMsgs";
constexpr const char* kTrayMenuSection = "HookWsSysTrayMenu";

// The seed of the draws that key the top-level items of a menu.
constexpr std::uint32_t kMenuKeySeed = 147;

std::string ReverseText(std::string_view text);

// The key of string id (RotatedKey of the id).
std::string TextKey(std::uint32_t id);

// The key of a top-level menu item: the reverse of text + draw + position, both in decimal, where
// draw is the item's draw of RuntimeRandom(kMenuKeySeed) modulo 50.
std::string TopMenuKey(std::string_view text, int draw, int position);

// A value as read from a pack turned into the text to show: a value that starts with '*' loses
// the star and the rest is reversed; then backslash + 'n' becomes a line feed and backslash + 't'
// a tab. Any other byte stays.
std::string DecodePackValue(std::string_view stored);

// The reverse for the generator: line feeds and tabs become "\n" and "\t", then the result is
// reversed behind a star, so blanks at either end survive the file reader's trimming. False when
// text cannot be stored: a CR or NUL byte, or blanks at its start (they would end up last and be
// trimmed away).
bool EncodePackValue(std::string_view text, std::string& stored);

} // namespace hookwise::core
