// MappedFile and StampOfFile over open, fstat, mmap and stat.
#include "platform/MappedFile.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hookwise::platform {

namespace {

FileStamp StampOf(const struct stat& st) {
    FileStamp stamp;
    stamp.device = static_cast<std::uint64_t>(st.st_dev);
    stamp.inode = static_cast<std::uint64_t>(st.st_ino);
    stamp.size = static_cast<std::uint64_t>(st.st_size);
    stamp.modifiedSeconds = st.st_mtim.tv_sec;
    stamp.modifiedNanoseconds = st.st_mtim.tv_nsec;
    return stamp;
}

} // namespace

bool StampOfFile(const char* path, FileStamp& stamp) {
    if (!path || !*path)
        return false;
    int saved = errno;
    struct stat st {};
    bool ok = stat(path, &st) == 0 && S_ISREG(st.st_mode);
    errno = saved;
    if (ok)
        stamp = StampOf(st);
    return ok;
}

MappedFile::MappedFile(MappedFile&& other) noexcept
    : data_(other.data_), size_(other.size_), stamp_(other.stamp_) {
    other.data_ = nullptr;
    other.size_ = 0;
}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
    if (this != &other) {
        Close();
        data_ = other.data_;
        size_ = other.size_;
        stamp_ = other.stamp_;
        other.data_ = nullptr;
        other.size_ = 0;
    }
    return *this;
}

MappedFile::~MappedFile() {
    Close();
}

bool MappedFile::Open(const char* path, std::size_t maxSize) {
    Close();
    if (!path || !*path)
        return false;
    int saved = errno;
    // O_NONBLOCK: a FIFO put in the index's place must not hang the opening thread.
    int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    bool ok = false;
    if (fd >= 0) {
        struct stat st {};
        if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 &&
            static_cast<std::uint64_t>(st.st_size) <= maxSize) {
            void* data =
                mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_SHARED, fd, 0);
            if (data != MAP_FAILED) {
                data_ = data;
                size_ = static_cast<std::size_t>(st.st_size);
                stamp_ = StampOf(st);
                ok = true;
            }
        }
        close(fd);
    }
    errno = saved;
    return ok;
}

void MappedFile::Close() {
    if (data_)
        munmap(data_, size_);
    data_ = nullptr;
    size_ = 0;
    stamp_ = FileStamp{};
}

} // namespace hookwise::platform
