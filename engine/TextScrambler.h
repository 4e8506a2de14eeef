// The engine's additive text scrambling over caller buffers, for code that must not allocate
// (the definition walks); EncryptString and DecryptString give the same bytes as std::string.
// The two are exported for the index builder, which reads the lists as the walks do.
#pragma once

#include "engine/Export.h"

#include <cstddef>
#include <string_view>

// The key of the text scrambling; its length sets the period of the key.
inline constexpr std::string_view ScrambleKey = "8305716";

// The one-byte escapes that keep ';' and '=' out of a scrambled INI line.
unsigned char EscapeScrambled(unsigned char b);
unsigned char UnescapeScrambled(unsigned char b);

// Scrambles text into out exactly as EncryptString does (a position whose sum is 0 is dropped)
// and terminates it. out must hold text.size() + 1 bytes. Returns the scrambled length.
BAITLIB_API std::size_t ScrambleText(std::string_view text, char* out);

// Unscrambles text into out as DecryptString does, stopping before the first 0 byte the
// unscrambling gives, and terminates it. out must hold text.size() + 1 bytes. Returns the length
// written before the terminator.
BAITLIB_API std::size_t UnscrambleText(std::string_view text, char* out);
