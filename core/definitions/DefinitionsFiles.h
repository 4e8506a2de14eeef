// Which definitions file HookWs deciphers: the shipped one in the program folder, or the user's
// updated one in the data folder (written by the update program) when it is newer; whether a new
// file may replace the definitions in use; and the test that a file deciphered into definitions
// text rather than noise.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace hookwise::core {

// The shipped definitions (in the program folder; the update program writes the user's updated
// ones under the same name in the data folder) and the deciphered working copy (in the data
// folder while the program runs).
constexpr const char* kShippedDefinitionsFile = "hkwdb1.pbd";
constexpr const char* kWorkingDefinitionsFile = "hkwdb2.pbd";

// The date of a definitions version "MM/DD/YYYY" as the number YYYYMMDD, so that versions
// compare by date; 0 for a version that is not such a date (empty, or digits missing).
std::uint32_t DefinitionsDate(const std::string& version);

// One definitions file and the version its first line carries ("" when none).
struct DefinitionsFile {
    std::string path;
    std::string version;
};

// The file to decipher: the user's (userPath) when it carries a version and the shipped one
// (shippedPath) carries none or an older date; on the same date the one modified last, since the
// update program merges the shipped definitions of its day into the user's file. The shipped file
// otherwise, also when both paths name the same file.
DefinitionsFile ChooseDefinitions(const std::string& shippedPath, const std::string& userPath);

// Whether a file of version candidate may replace the definitions of version inUse while the
// program runs: it carries a date, and no older one than inUse's (an update made on the same day
// replaces the earlier one).
bool MayReplaceDefinitions(const std::string& candidate, const std::string& inUse);
// Why the file at path, of version candidate, may not replace the definitions of version inUse
// (it carries no version, or an older one); "" when MayReplaceDefinitions holds.
std::string ReplacementRefusal(const std::string& path, const std::string& candidate,
                               const std::string& inUse);

// Whether deciphered bytes hold definitions text: after the 16-byte first line, no NUL byte in
// the first 4 KiB. Bytes deciphered from a damaged or foreign file are noise, which holds a NUL
// within that many bytes all but certainly; definitions text never does.
bool IsDefinitionsText(std::string_view deciphered);

} // namespace hookwise::core
