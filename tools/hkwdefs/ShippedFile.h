// ShippedFile: the layout of the shipped definition file "hkwdb1.pbd" and its decipherment.
//
// Bytes 0-15: the plain header line, the version date (MM/DD/YYYY) padded with blanks to 14
// characters, then CR LF. From byte 16: the working copy's definition text, padded with blanks to
// a multiple of 8 bytes and enciphered with Blowfish in ECB mode under the program's key. The
// program deciphers the whole file, header included, and then sets bytes 14 and 15 to CR LF; the
// header thus turns into a first line of 14 meaningless bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

inline constexpr std::size_t kShippedHeaderBytes = 16;

// True when version is a date MM/DD/YYYY that exists in the calendar (month 01-12, day valid for
// the month, leap years counted). Otherwise false, with the reason in reason.
bool CheckVersion(std::string_view version, std::string& reason);

// True when bytes start with a header line as this tool writes it: NN/NN/NNNN, 4 blanks, CR LF.
bool HasShippedHeader(std::string_view bytes);

// The version date of a file for which HasShippedHeader holds.
std::string ShippedVersion(std::string_view bytes);

// The shipped file for version and the working copy's definition text (without its first line):
// the header line, then the text padded with blanks to a multiple of 8 and enciphered.
std::string BuildShippedFile(std::string_view version, std::string_view definitionText);

// What the program's start-up makes of a shipped file: the whole file deciphered in ECB mode with
// the program's key, bytes 14 and 15 set to CR LF. False, with working untouched and the reason in
// error, when the length is below 16 or not a multiple of 8 (the cipher's refusal).
bool DecipherAtStartUp(std::string_view shipped, std::string& working, std::string& error);
