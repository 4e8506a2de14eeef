// Small text helpers of the tray program's data layer: C-style number reading and the rotated
// numeric keys of the language packs (the ASCII case helpers are platform/AsciiCase.h).
#pragma once

#include "platform/AsciiCase.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace hookwise::core {

// The number at the start of text as C's atoi reads it: leading blanks (space, TAB, LF, VT, FF,
// CR) skipped, an optional sign, then decimal digits up to the first non-digit. No digit gives 0.
// A value outside the 32-bit range saturates at INT32_MIN / INT32_MAX instead of overflowing.
std::int32_t ParseLeadingInt(std::string_view text);

// value rotated left by 7 bits as a 32-bit number, written as signed decimal (7003 -> "896384",
// 32771 -> "4194688"): the key under which a language pack holds a string or a menu command.
std::string RotatedKey(std::uint32_t value);

} // namespace hookwise::core
