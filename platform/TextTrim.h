// Trimming a text by a set of characters: every parser of lines and fields strips its own blanks
// (" \t", " \t\v", " \t\r\n" ...) with these, the set being the only thing that differs.
#pragma once

#include <string_view>

namespace hookwise::platform {

// Common blank sets. A caller with another rule passes its own set.
inline constexpr std::string_view kSpaceTab = " \t";
inline constexpr std::string_view kSpaceTabVt = " \t\v";

// text without the leading characters that are in blanks. An empty set leaves text as it is.
std::string_view TrimFront(std::string_view text, std::string_view blanks);

// text without the trailing characters that are in blanks.
std::string_view TrimBack(std::string_view text, std::string_view blanks);

// text without the leading and trailing characters that are in blanks; empty when all of it is.
std::string_view Trim(std::string_view text, std::string_view blanks);

} // namespace hookwise::platform
