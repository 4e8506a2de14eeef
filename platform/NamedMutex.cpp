// NamedMutex: the lock file of a named mutex in the runtime folder.
#include "platform/NamedMutex.h"

#include "platform/LastError.h"
#include "platform/Window.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

bool IsValidName(const char* name) {
    if (name == nullptr || name[0] == '\0')
        return false;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
        return false;
    return std::strchr(name, '/') == nullptr;
}

} // namespace

NamedMutex::NamedMutex(NamedMutex&& other) noexcept
    : fd_(other.fd_), owned_(other.owned_), path_(std::move(other.path_)) {
    other.fd_ = -1;
    other.owned_ = false;
}

NamedMutex& NamedMutex::operator=(NamedMutex&& other) noexcept {
    if (this == &other)
        return *this;
    Close();
    fd_ = other.fd_;
    owned_ = other.owned_;
    path_ = std::move(other.path_);
    other.fd_ = -1;
    other.owned_ = false;
    return *this;
}

NamedMutex::~NamedMutex() {
    Close();
}

void NamedMutex::Close() {
    if (fd_ >= 0)
        close(fd_); // releases the flock with the last descriptor
    fd_ = -1;
    owned_ = false;
}

LONG NamedMutex::Create(const char* name, bool initialOwner) {
    Close();
    if (!IsValidName(name))
        return ERROR_INVALID_PARAMETER;
    const std::string folder = MakeRuntimeFolder();
    if (folder.empty()) {
        const DWORD error = GetLastError();
        return error != ERROR_SUCCESS ? static_cast<LONG>(error) : ERROR_PATH_NOT_FOUND;
    }
    std::string path = folder + "/" + name + ".lock";
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return static_cast<LONG>(Win32ErrorFromErrno(errno));
    fd_ = fd;
    path_ = std::move(path);
    if (!initialOwner)
        return ERROR_SUCCESS;
    int rc;
    do {
        rc = flock(fd_, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc == 0) {
        owned_ = true;
        return ERROR_SUCCESS;
    }
    if (errno == EWOULDBLOCK)
        return ERROR_ALREADY_EXISTS;
    const LONG error = static_cast<LONG>(Win32ErrorFromErrno(errno));
    Close();
    return error;
}
