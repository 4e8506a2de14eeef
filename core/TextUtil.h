// Small text helpers of the tray program's data layer: case folding, C-style number reading and
// the rotated numeric keys of the language packs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// True when a and b are equal ignoring the case of ASCII letters. Other bytes compare exactly, so
// the trail bytes of a multibyte (UTF-8) character are never folded into something else.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// The text with ASCII letters upper-cased; every other byte unchanged.
std::string ToUpperAscii(std::string_view text);

// The number at the start of text as C's atoi reads it: leading blanks (space, TAB, LF, VT, FF,
// CR) skipped, an optional sign, then decimal digits up to the first non-digit. No digit gives 0.
// A value outside the 32-bit range saturates at INT32_MIN / INT32_MAX instead of overflowing.
std::int32_t ParseLeadingInt(std::string_view text);

// value rotated left by 7 bits as a 32-bit number, written as signed decimal (7003 -> "896384",
// 32771 -> "4194688"): the key under which a language pack holds a string or a menu command.
std::string RotatedKey(std::uint32_t value);
