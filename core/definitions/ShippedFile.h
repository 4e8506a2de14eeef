// ShippedFile: the layout of the shipped definition file "hkwdb1.pbd", its version line and its
// decipherment, as the tray program, the definitions tool and the update program all read it.
//
// Bytes 0-15: the plain header line, the version date (MM/DD/YYYY) padded with blanks to 14
// characters, then CR LF. From byte 16: the working copy's definition text, padded with blanks to
// a multiple of 8 bytes and enciphered with Blowfish in ECB mode under the program's key. The
// program deciphers the whole file, header included, and then sets bytes 14 and 15 to CR LF; the
// header thus turns into a first line of 14 meaningless bytes.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace hookwise::core {

inline constexpr std::size_t kShippedHeaderBytes = 16;

// ---- the version line ----

// True when version is a date MM/DD/YYYY that exists in the calendar (month 01-12, day valid for
// the month, leap years counted). Otherwise false, with the reason in reason.
bool CheckVersion(std::string_view version, std::string& reason);

// True when bytes start with a header line as the definitions tool writes it: NN/NN/NNNN,
// 4 blanks, CR LF.
bool HasShippedHeader(std::string_view bytes);

// The version date of a file for which HasShippedHeader holds.
std::string ShippedVersion(std::string_view bytes);

// The version date of the shipped file's first line as the tray program reads it: the text
// before the first CR LF of its first 256 bytes (up to a NUL), trailing blanks removed; "" when
// there is no CR LF, or when the first '/' is not at index 2 and the next one (from index 3) not
// at index 5.
std::string DefinitionsVersionOf(const std::string& firstBytes);
// DefinitionsVersionOf the file's first 256 bytes; "" also when the file cannot be opened (or is
// no regular file).
std::string ReadDefinitionsVersion(const std::string& shippedPath);

// Opens a shipped file for reading only when it is a regular file, without waiting on the open:
// a FIFO (or a device) at its path must not hang the start. Null with errno set as
// OpenRegularFile says (EISDIR for a folder, EINVAL for anything else that is not a regular file).
std::FILE* OpenShippedDefinitions(const std::string& shippedPath);

// ---- encipherment and decipherment ----

// The shipped file for version and the working copy's definition text (without its first line):
// the header line, then the text padded with blanks to a multiple of 8 and enciphered.
std::string BuildShippedFile(std::string_view version, std::string_view definitionText);

// Deciphers size bytes of a shipped file into working (size bytes, may be the same buffer): the
// whole file in ECB mode with the program's key, then bytes 14 and 15 set to CR LF when the file
// has them. False, with working untouched and the cipher's refusal ("Incorrect buffer length") in
// refusal, when size is 0 or not a multiple of 8.
bool DecipherShippedBytes(const unsigned char* shipped, std::size_t size, unsigned char* working,
                          std::string& refusal);

// What the program's start-up makes of a shipped file held in memory (DecipherShippedBytes).
// False, with working untouched and the reason in error, when the length is below 16 or not a
// multiple of 8 (the cipher's refusal).
bool DecipherAtStartUp(std::string_view shipped, std::string& working, std::string& error);

} // namespace hookwise::core
