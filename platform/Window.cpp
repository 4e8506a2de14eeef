// Finding the handler "window": the runtime folder, the socket path of a caption, and handles.
#include "platform/Window.h"

#include "platform/LastError.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <string_view>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace {

// Window handles are small tokens from this base up, one per caption, never freed.
constexpr std::uintptr_t kFirstWindow = 0x10000;

struct WindowTable {
    std::mutex mutex;
    std::unordered_map<std::string, std::uintptr_t> byCaption;
    std::vector<std::string> captions; // index = handle - kFirstWindow
};

WindowTable& Windows() {
    static WindowTable* table = new WindowTable(); // kept for the process's life
    return *table;
}

HWND Intern(const std::string& caption) {
    WindowTable& table = Windows();
    std::lock_guard lock(table.mutex);
    auto [entry, added] = table.byCaption.try_emplace(caption, 0);
    if (added) {
        entry->second = kFirstWindow + table.captions.size();
        table.captions.push_back(caption);
    }
    return reinterpret_cast<HWND>(entry->second);
}

// A caption names one file in the runtime folder, so it cannot name a folder or leave it.
bool IsValidCaption(const char* caption) {
    if (caption == nullptr)
        return false;
    std::string_view text(caption);
    return !text.empty() && text != "." && text != ".." && text.find('/') == std::string_view::npos;
}

// True when a receiver listens on the socket at path. A listener whose queue is full still exists.
bool Accepts(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    // Non-blocking, so a receiver that does not accept can never hang the caller.
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        SetLastError(Win32ErrorFromErrno(errno));
        return false;
    }
    int rc = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    int err = errno;
    close(fd);
    if (rc == 0 || err == EAGAIN || err == EINPROGRESS)
        return true;
    SetLastError(Win32ErrorFromErrno(err));
    return false;
}

} // namespace

std::string RuntimeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string folder = (runtime != nullptr && runtime[0] == '/')
                             ? std::string(runtime) + "/hookwise"
                             : "/tmp/hookwise-" + std::to_string(getuid());
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        SetLastError(Win32ErrorFromErrno(errno));
        return {};
    }
    // Check what is there without following a link: in /tmp another user may have put a folder or
    // a link of their own under our name, and our sockets must not land in it.
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        SetLastError(errno == ELOOP || errno == ENOTDIR ? ERROR_ACCESS_DENIED
                                                        : Win32ErrorFromErrno(errno));
        return {};
    }
    struct stat info {};
    bool ours = fstat(fd, &info) == 0 && info.st_uid == geteuid();
    // A folder of ours that others may enter is tightened rather than refused.
    bool tight = ours && ((info.st_mode & 077) == 0 || fchmod(fd, 0700) == 0);
    close(fd);
    if (!tight) {
        SetLastError(ERROR_ACCESS_DENIED);
        return {};
    }
    return folder;
}

std::string ChannelPath(const char* caption) {
    if (!IsValidCaption(caption)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return {};
    }
    std::string folder = RuntimeFolder();
    if (folder.empty())
        return {};
    return folder + "/" + caption;
}

HWND FindWindowA(const char*, const char* caption) {
    std::string path = ChannelPath(caption);
    if (path.empty() || !Accepts(path))
        return nullptr;
    return Intern(caption);
}

std::string WindowCaption(HWND window) {
    WindowTable& table = Windows();
    std::lock_guard lock(table.mutex);
    std::uintptr_t token = reinterpret_cast<std::uintptr_t>(window);
    if (token < kFirstWindow || token - kFirstWindow >= table.captions.size())
        return {};
    return table.captions[token - kFirstWindow];
}
