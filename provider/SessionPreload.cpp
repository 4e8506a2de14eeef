// Editing the environment.d file that preloads the provider: pure text edits plus an atomic
// replace of the file.
#include "provider/SessionPreload.h"

#include "platform/AtomicFile.h"
#include "platform/LastError.h"
#include "platform/TextLines.h"
#include "platform/TextTrim.h"
#include "platform/UserFolders.h"
#include "platform/WholeFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace hookwise::platform;

namespace hookwise::provider {

namespace {

constexpr char kProviderFile[] = "libhookswp_lsp.so";
constexpr char kFileName[] = "60-hookwise.conf";

bool IsProviderPreloadLine(std::string_view line) {
    const std::string_view text = Trim(line, " \t\r");
    return text.rfind("LD_PRELOAD=", 0) == 0 && text.find(kProviderFile) != std::string::npos;
}

std::string FolderOfFile(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos || slash == 0 ? "/" : path.substr(0, slash);
}

bool ReadFile(const std::string& path, std::string& content, std::string& error) {
    const int err = ReadWholeFile(path, content);
    if (err == ENOENT)
        return true; // no file yet: nothing to keep
    if (err != 0) {
        error = "cannot read " + path;
        return false;
    }
    return true;
}

} // namespace

std::string SessionPreloadPath() {
    const std::string config = UserConfigFolder();
    if (config.empty())
        return {};
    return config + "/environment.d/" + kFileName;
}

std::string PreloadLine(const std::string& library) {
    return "LD_PRELOAD=" + library + "${LD_PRELOAD:+:$LD_PRELOAD}";
}

std::string WithPreload(const std::string& content, const std::string& library) {
    std::string result;
    for (const std::string_view line : SplitLines(content, LineEndCr::Keep)) {
        if (IsProviderPreloadLine(line))
            continue;
        result += line;
        result += '\n';
    }
    if (!library.empty())
        result += PreloadLine(library) + "\n";
    return result;
}

bool IsEffectivelyEmpty(const std::string& content) {
    for (const std::string_view line : SplitLines(content, LineEndCr::Keep)) {
        const std::string_view text = Trim(line, " \t\r");
        if (!text.empty() && text[0] != '#')
            return false;
    }
    return true;
}

std::string UpdateSessionPreload(const std::string& path, const std::string& library) {
    if (path.empty())
        return "no configuration folder: no home folder is known";
    std::string content, error;
    if (!ReadFile(path, content, error))
        return error;
    std::string updated = WithPreload(content, library);
    if (updated == content)
        return {};
    if (library.empty() && IsEffectivelyEmpty(updated)) {
        if (unlink(path.c_str()) != 0 && errno != ENOENT)
            return "cannot remove " + path + ": " + std::strerror(errno);
        return {};
    }
    if (!::MakeFolders(FolderOfFile(path), 0700))
        return "cannot create " + FolderOfFile(path) + ": " + std::strerror(errno);
    // Written whole or not at all: a crash leaves either the old or the new file.
    if (LONG code = WriteFileAtomically(path, updated, 0644); code != ERROR_SUCCESS) {
        return "cannot write " + path + ": " + SystemMessageText(static_cast<DWORD>(code));
    }
    return {};
}

} // namespace hookwise::provider
