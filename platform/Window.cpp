// Finding the handler "window": the runtime folder, the socket path of a caption, and handles.
#include "platform/Window.h"

#include "platform/AtomicFile.h"
#include "platform/LastError.h"
#include "platform/RegularFile.h"
#include "platform/UserFolders.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace hookwise::platform;

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

namespace {

// Without $XDG_RUNTIME_DIR the runtime folder is one the receiving program makes itself under
// /tmp with an unpredictable name (mkdtemp: mode 0700, made exclusively), so no other user can
// make it first; this file in the user's own configuration folder names it for the senders.
std::string FallbackPointerPath() {
    const std::string config = UserConfigFolder();
    return config.empty() ? std::string() : config + "/hookwise/runtime-folder";
}

bool IsOwnPrivateFolder(const std::string& folder) {
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info {};
    bool own = fstat(fd, &info) == 0 && info.st_uid == geteuid() && (info.st_mode & 077) == 0;
    close(fd);
    return own;
}

// The folder the pointer names, when it is still there and private; "" otherwise.
std::string FallbackFolderNamed() {
    const std::string pointer = FallbackPointerPath();
    if (pointer.empty())
        return {};
    int fd = OpenRegularFile(pointer, FollowLink::No);
    if (fd < 0)
        return {};
    char buffer[512];
    ssize_t n = read(fd, buffer, sizeof buffer - 1);
    close(fd);
    if (n <= 0)
        return {};
    std::string folder(buffer, static_cast<std::size_t>(n));
    while (!folder.empty() && (folder.back() == '\n' || folder.back() == '\r'))
        folder.pop_back();
    if (folder.rfind("/tmp/hookwise-", 0) != 0 || !IsOwnPrivateFolder(folder))
        return {};
    return folder;
}

std::string MakeFallbackFolder() {
    std::string folder = FallbackFolderNamed();
    if (!folder.empty())
        return folder;
    const std::string pointer = FallbackPointerPath();
    if (pointer.empty() || !MakeFolders(pointer.substr(0, pointer.rfind('/')), 0700)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return {};
    }
    std::string pattern = "/tmp/hookwise-" + std::to_string(getuid()) + "-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) == nullptr) {
        SetLastError(Win32ErrorFromErrno(errno));
        return {};
    }
    folder = name.data();
    if (const LONG error = WriteFileAtomically(pointer, folder + "\n", 0600);
        error != ERROR_SUCCESS) {
        rmdir(folder.c_str());
        SetLastError(static_cast<DWORD>(error));
        return {};
    }
    return folder;
}

std::string RuntimeFolderOf(bool make) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || runtime[0] != '/') {
        if (make)
            return MakeFallbackFolder();
        std::string folder = FallbackFolderNamed();
        if (folder.empty())
            SetLastError(ERROR_PATH_NOT_FOUND);
        return folder;
    }
    std::string folder = std::string(runtime) + "/hookwise";
    // In /tmp another user may have put a folder or a link of their own under our name, and our
    // sockets must not land in it; a folder of ours that others may enter is tightened.
    if (MakePrivateFolder(folder) == PrivateFolderResult::Failed) {
        SetLastError(errno == ENOTDIR || errno == EPERM ? ERROR_ACCESS_DENIED
                                                        : Win32ErrorFromErrno(errno));
        return {};
    }
    return folder;
}

} // namespace

std::string RuntimeFolder() {
    return RuntimeFolderOf(false);
}

std::string MakeRuntimeFolder() {
    return RuntimeFolderOf(true);
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
