// The program folder, its hidden folders and the decimal file-name encoding.
#include "core/FileNames.h"

#include "core/TextUtil.h"
#include "platform/Module.h"
#include "platform/UserFolders.h"

#include <filesystem>
#include <mutex>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace hookwise::platform;

namespace hookwise::core {

namespace {
std::mutex gFolderMutex;
std::string gProgramFolder; // empty: the running program's folder
std::string gDataFolder;    // empty: the program folder

constexpr std::uint32_t kMovieSeed = 10;
constexpr std::uint32_t kLanguageSeed = 7;
constexpr std::uint32_t kAuxSeed = 9;

std::string WithoutTrailingSlash(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}
} // namespace

std::string EncodeFileName(std::string_view name) {
    std::string out;
    for (char c : AsciiUppered(name))
        out += std::to_string(static_cast<unsigned char>(c));
    return out;
}

std::string DecodeFileName(std::string_view encoded) {
    std::string out;
    for (std::size_t i = 0; i + 1 < encoded.size(); i += 2) {
        char high = encoded[i];
        char low = encoded[i + 1];
        if (high < '0' || high > '9' || low < '0' || low > '9')
            break;
        int code = (high - '0') * 10 + (low - '0');
        if (code == 0)
            break;
        out += static_cast<char>(code);
    }
    return out;
}

int RuntimeRandom::Next() {
    state_ = state_ * 214013u + 2531011u;
    return static_cast<int>((state_ >> 16) & 0x7FFF);
}

std::string ProgramFolder() {
    {
        std::lock_guard<std::mutex> lock(gFolderMutex);
        if (!gProgramFolder.empty())
            return gProgramFolder;
    }
    char path[4096];
    if (GetModuleFileNameA(nullptr, path, sizeof path) == 0)
        return ".";
    return FolderOf(path);
}

void SetProgramFolder(std::string folder) {
    folder = WithoutTrailingSlash(std::move(folder));
    std::lock_guard<std::mutex> lock(gFolderMutex);
    gProgramFolder = std::move(folder);
}

std::string DataFolder() {
    {
        std::lock_guard<std::mutex> lock(gFolderMutex);
        if (!gDataFolder.empty())
            return gDataFolder;
    }
    return ProgramFolder();
}

void SetDataFolder(std::string folder) {
    folder = WithoutTrailingSlash(std::move(folder));
    std::lock_guard<std::mutex> lock(gFolderMutex);
    gDataFolder = std::move(folder);
}

namespace {

// Takes the group's and others' write permission off a folder of the user's (never through a
// link).
void TightenGroupAndOtherWrite(const std::string& folder) {
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat info {};
    if (fstat(fd, &info) == 0 && info.st_uid == geteuid() && (info.st_mode & 022) != 0)
        fchmod(fd, info.st_mode & 07755);
    close(fd);
}

} // namespace

bool IsOwnFolder(const std::string& folder) {
    struct stat info {};
    return lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid();
}

std::string ChooseDataFolder(const std::string& programFolder, bool* userFolder) {
    const std::string marker = programFolder + "/" + kSystemInstallMarker;
    const bool shared = access(marker.c_str(), F_OK) == 0;
    const bool own = !shared && access(programFolder.c_str(), W_OK | X_OK) == 0;
    if (userFolder != nullptr)
        *userFolder = !own;
    if (own) {
        // Others may read a staged program folder, but not plant files in it.
        TightenGroupAndOtherWrite(programFolder);
        return programFolder;
    }
    const std::string data = UserDataFolder();
    std::string folder = data.empty() ? std::string() : data + "/hookwise";
    // A folder that cannot be made is still named: writing into it then fails with a clear
    // message instead of falling back to a folder shared by every user. One the group or others
    // may use is tightened to 0700; a link or another user's folder there is left alone, and the
    // files written into it refuse to follow links.
    MakeFolders(FolderOf(folder), 0700);
    MakePrivateFolder(folder);
    return folder;
}

std::string HiddenFolder(const std::string& programFolder, std::uint32_t seed) {
    RuntimeRandom random(seed);
    std::string folder = programFolder + "/" + std::to_string(random.Next());
    std::error_code ignored;
    std::filesystem::create_directory(folder, ignored);
    folder += '/' + std::to_string(random.Next());
    std::filesystem::create_directory(folder, ignored);
    return folder;
}

std::string GetMovieFolder() {
    return HiddenFolder(ProgramFolder(), kMovieSeed);
}
std::string GetLanguageFolder() {
    return HiddenFolder(ProgramFolder(), kLanguageSeed);
}
std::string GetAuxFolder() {
    return HiddenFolder(ProgramFolder(), kAuxSeed);
}

std::string GetMoviePath(std::string_view baseName, std::string_view extension) {
    return GetMovieFolder() + "/" + EncodeFileName(baseName) + std::string(extension);
}

std::string GetHelpPath(std::string_view language) {
    return GetAuxFolder() + "/" + EncodeFileName(language) + ".htm";
}

} // namespace hookwise::core
