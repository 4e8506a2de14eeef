// Editing the environment.d file that preloads the provider: pure text edits plus an atomic
// replace of the file.
#include "provider/SessionPreload.h"

#include "platform/UserFolders.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hookwise::provider {

namespace {

constexpr char kProviderFile[] = "libhookswp_lsp.so";
constexpr char kFileName[] = "60-hookwise.conf";

std::vector<std::string> Lines(const std::string& content) {
    std::vector<std::string> lines;
    std::string line;
    std::istringstream stream(content);
    while (std::getline(stream, line))
        lines.push_back(line);
    return lines;
}

std::string Trimmed(const std::string& text) {
    std::size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos)
        return {};
    std::size_t end = text.find_last_not_of(" \t\r");
    return text.substr(begin, end - begin + 1);
}

bool IsProviderPreloadLine(const std::string& line) {
    std::string text = Trimmed(line);
    return text.rfind("LD_PRELOAD=", 0) == 0 && text.find(kProviderFile) != std::string::npos;
}

std::string FolderOfFile(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos || slash == 0 ? "/" : path.substr(0, slash);
}

bool ReadFile(const std::string& path, std::string& content, std::string& error) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 && errno == ENOENT) {
        content.clear();
        return true;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    content = buffer.str();
    return true;
}

// Writes a temporary file beside path and renames it over path, so a crash leaves either the old
// or the new file.
bool ReplaceFile(const std::string& path, const std::string& content, std::string& error) {
    std::string temporary = path + ".tmp" + std::to_string(getpid());
    int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = "cannot write " + temporary + ": " + std::strerror(errno);
        return false;
    }
    std::size_t done = 0;
    while (done < content.size()) {
        ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = "cannot write " + temporary + ": " + std::strerror(errno);
            close(fd);
            unlink(temporary.c_str());
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    if (fsync(fd) != 0 || close(fd) != 0 || rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot replace " + path + ": " + std::strerror(errno);
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace

std::string SessionPreloadPath() {
    std::string config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
        config = xdg;
    } else {
        std::string home = HomeFolder();
        if (home.empty())
            return {};
        config = home + "/.config";
    }
    return config + "/environment.d/" + kFileName;
}

std::string PreloadLine(const std::string& library) {
    return "LD_PRELOAD=" + library + "${LD_PRELOAD:+:$LD_PRELOAD}";
}

std::string WithPreload(const std::string& content, const std::string& library) {
    std::string result;
    for (const std::string& line : Lines(content)) {
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
    for (const std::string& line : Lines(content)) {
        std::string text = Trimmed(line);
        if (!text.empty() && text[0] != '#')
            return false;
    }
    return true;
}

std::string UpdateSessionPreload(const std::string& path, const std::string& library) {
    if (path.empty())
        return "no configuration folder: neither XDG_CONFIG_HOME nor HOME is set";
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
    if (!ReplaceFile(path, updated, error))
        return error;
    return {};
}

} // namespace hookwise::provider
