// AtomicFileWriter and DeleteFileA over the POSIX file calls.
#include "platform/AtomicFile.h"

#include "platform/LastError.h"
#include "platform/UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hookwise::platform {

AtomicFileWriter::~AtomicFileWriter() {
    Discard();
}

void AtomicFileWriter::Discard() {
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
    if (!temporary_.empty())
        unlink(temporary_.c_str());
    temporary_.clear();
}

LONG AtomicFileWriter::Create(const std::string& target, unsigned mode) {
    if (fd_ >= 0 || target.empty())
        return ERROR_INVALID_PARAMETER;
    std::string name = target + ".XXXXXX";
    std::vector<char> buffer(name.begin(), name.end());
    buffer.push_back('\0');
    const int fd = mkostemp(buffer.data(), O_CLOEXEC);
    // The file itself is new, so a missing name can only be a missing folder, as CreateFile
    // reports it.
    if (fd < 0)
        return errno == ENOENT ? ERROR_PATH_NOT_FOUND
                               : static_cast<LONG>(Win32ErrorFromErrno(errno));
    fd_ = fd;
    temporary_ = buffer.data();
    target_ = target;
    if (fchmod(fd_, mode) != 0) {
        const LONG error = static_cast<LONG>(Win32ErrorFromErrno(errno));
        Discard();
        return error;
    }
    return ERROR_SUCCESS;
}

LONG AtomicFileWriter::Write(const void* data, std::size_t size) {
    if (fd_ < 0)
        return ERROR_INVALID_HANDLE;
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = write(fd_, bytes, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return static_cast<LONG>(Win32ErrorFromErrno(errno));
        }
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return ERROR_SUCCESS;
}

LONG AtomicFileWriter::CopyFrom(int fd, std::uint64_t offset, std::uint64_t size) {
    if (fd_ < 0)
        return ERROR_INVALID_HANDLE;
    auto position = static_cast<off_t>(offset);
    bool kernelCopy = true;
    std::vector<char> buffer;
    while (size > 0) {
        const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(size, 1u << 30));
        ssize_t n = -1;
        if (kernelCopy) {
            n = copy_file_range(fd, &position, fd_, nullptr, chunk, 0);
            // Files on two kinds of file system, or one that cannot copy: read and write.
            if (n < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS ||
                          errno == EOPNOTSUPP || errno == EBADF)) {
                kernelCopy = false;
                continue;
            }
        } else {
            buffer.resize(1 << 20);
            n = pread(fd, buffer.data(), std::min(chunk, buffer.size()), position);
            if (n > 0) {
                if (const LONG error = Write(buffer.data(), static_cast<std::size_t>(n));
                    error != ERROR_SUCCESS)
                    return error;
                position += n;
            }
        }
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return static_cast<LONG>(Win32ErrorFromErrno(errno));
        }
        if (n == 0)
            return ERROR_HANDLE_EOF;
        size -= static_cast<std::uint64_t>(n);
    }
    return ERROR_SUCCESS;
}

LONG AtomicFileWriter::Commit() {
    if (fd_ < 0)
        return ERROR_INVALID_HANDLE;
    LONG error = ERROR_SUCCESS;
    if (fsync(fd_) != 0)
        error = static_cast<LONG>(Win32ErrorFromErrno(errno));
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0 && error == ERROR_SUCCESS)
        error = static_cast<LONG>(Win32ErrorFromErrno(errno));
    if (error == ERROR_SUCCESS && rename(temporary_.c_str(), target_.c_str()) != 0)
        error = static_cast<LONG>(Win32ErrorFromErrno(errno));
    if (error != ERROR_SUCCESS) {
        Discard();
        return error;
    }
    temporary_.clear();
    // Make the rename itself durable; a failure here leaves a complete file either way.
    const std::size_t slash = target_.rfind('/');
    const std::string folder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : target_.substr(0, slash));
    UniqueFd dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Valid())
        fsync(dir.Get());
    return ERROR_SUCCESS;
}

LONG WriteFileAtomically(const std::string& path, std::string_view content, unsigned mode) {
    AtomicFileWriter writer;
    LONG error = writer.Create(path, mode);
    if (error == ERROR_SUCCESS)
        error = writer.Write(content.data(), content.size());
    if (error == ERROR_SUCCESS)
        error = writer.Commit();
    return error;
}

LONG LinkFileAtomically(const std::string& source, const std::string& path, unsigned mode) {
    if (source.empty() || path.empty())
        return ERROR_INVALID_PARAMETER;
    for (int attempt = 0; attempt < 8; ++attempt) {
        const std::string temporary =
            path + ".link" + std::to_string(getpid()) + "." + std::to_string(attempt);
        if (link(source.c_str(), temporary.c_str()) == 0) {
            if (rename(temporary.c_str(), path.c_str()) == 0)
                return ERROR_SUCCESS;
            const LONG error = static_cast<LONG>(Win32ErrorFromErrno(errno));
            unlink(temporary.c_str());
            return error;
        }
        if (errno == EEXIST)
            continue; // a leftover of an ended process with the same id
        if (errno != EPERM && errno != EXDEV && errno != EMLINK && errno != EOPNOTSUPP)
            return static_cast<LONG>(Win32ErrorFromErrno(errno));
        break; // no hard links here: a copy
    }
    UniqueFd in(open(source.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (!in.Valid() || fstat(in.Get(), &info) != 0)
        return static_cast<LONG>(Win32ErrorFromErrno(errno));
    AtomicFileWriter out;
    LONG error = out.Create(path, mode);
    if (error == ERROR_SUCCESS)
        error = out.CopyFrom(in.Get(), 0, static_cast<std::uint64_t>(info.st_size));
    if (error == ERROR_SUCCESS)
        error = out.Commit();
    return error;
}

BOOL DeleteFileA(const char* path) {
    if (path == nullptr || path[0] == '\0') {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return 0;
    }
    struct stat info {};
    if (lstat(path, &info) == 0 && S_ISDIR(info.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    if (unlink(path) != 0) {
        SetLastError(Win32ErrorFromErrno(errno));
        return 0;
    }
    SetLastError(ERROR_SUCCESS);
    return 1;
}

} // namespace hookwise::platform
