// The program folder and the hidden folders below it, and the decimal file-name encoding used for
// movie and language-pack names, the stored language and the stored password.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace hookwise::core {

// Upper-cases the ASCII letters of name, then writes each byte's code in decimal, back to back:
// "abc" -> "656667". Bytes above 127 give three digits and so do not decode again.
std::string EncodeFileName(std::string_view name);

// The reverse of EncodeFileName: reads two digits per character. Decoding stops at the first pair
// that is not two decimal digits, at a pair "00", and at a lone last digit; what was read up to
// there is returned. "656667" -> "ABC".
std::string DecodeFileName(std::string_view encoded);

// The C runtime's rand(): state = state * 214013 + 2531011 (mod 2^32), draw = bits 16-30 of the
// new state. Seeding with s sets the state to s.
class RuntimeRandom {
public:
    explicit RuntimeRandom(std::uint32_t seed) : state_(seed) {}
    int Next();

private:
    std::uint32_t state_;
};

// The installation folder (no trailing '/'): the one given to SetProgramFolder, else the folder of
// the running program. Safe on any thread.
std::string ProgramFolder();
// Makes folder the program folder for this process (the tray program and tests set it once).
void SetProgramFolder(std::string folder);

// The file in a program folder that marks it as installed by a system package: every user runs
// the same copy, and no user's files written at run time may land in it.
constexpr const char* kSystemInstallMarker = "system-install";

// The folder for the files the program writes while it runs (the working copy of the
// definitions, the warning page the engine shows from there, the log file and its archives),
// no trailing '/': the one given to SetDataFolder, else ProgramFolder(). Safe on any thread.
std::string DataFolder();
void SetDataFolder(std::string folder);

// The data folder for a program folder: the program folder itself, unless it holds
// kSystemInstallMarker or this user cannot write to it; then the user's own
// UserDataFolder() + "/hookwise", made with mode 0700 when missing. userFolder is true in the
// second case.
std::string ChooseDataFolder(const std::string& programFolder, bool* userFolder = nullptr);

// True when folder is a real folder (not a link) of the user's own: the only kind the program
// writes its lists, log and working files into.
bool IsOwnFolder(const std::string& folder);

// programFolder + "/" + first draw + "/" + second draw after seeding RuntimeRandom with seed.
// Both levels are created when missing; a failure to create them is ignored.
std::string HiddenFolder(const std::string& programFolder, std::uint32_t seed);

// The hidden folders of the program folder: movies (seed 10, ".../71/16899"), language packs
// (seed 7) and the help file (seed 9, ".../68/6151"). Each call creates them when missing.
std::string GetMovieFolder();
std::string GetLanguageFolder();
std::string GetAuxFolder();

// Movie folder + "/" + EncodeFileName(baseName) + extension: GetMoviePath("HkMain", ".pbf").
std::string GetMoviePath(std::string_view baseName, std::string_view extension);

// The help page of a language: GetAuxFolder() + "/" + EncodeFileName(language) + ".htm" (an HTML
// page, which the desktop's browser opens).
std::string GetHelpPath(std::string_view language);

} // namespace hookwise::core
