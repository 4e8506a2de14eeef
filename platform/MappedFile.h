// A file mapped read-only and shared, as a move-only owner, and the identity of a file by name:
// what the engine needs to use a compiled definition index that several processes share.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hookwise::platform {

// A file's identity: device, inode, size and modification time to the nanosecond.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;
    // The same file unchanged: every field equal.
    bool operator==(const FileStamp&) const = default;
};

// The stamp of the regular file at path (following links). False, with stamp untouched, when it
// is missing, unreadable or not a regular file. Keeps errno. Allocates nothing.
bool StampOfFile(const char* path, FileStamp& stamp);

class MappedFile {
public:
    MappedFile() = default;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;
    ~MappedFile();

    // Maps the whole regular file at path (open, fstat, mmap; the descriptor is closed again).
    // False, leaving this object empty, when the file is missing, not a regular file, empty,
    // larger than maxSize, or cannot be mapped. Keeps errno. Allocates nothing.
    bool Open(const char* path, std::size_t maxSize);
    void Close();

    const void* Data() const { return data_; }
    std::size_t Size() const { return size_; }
    // The identity of the file as it was mapped.
    const FileStamp& Stamp() const { return stamp_; }

private:
    void* data_ = nullptr;
    std::size_t size_ = 0;
    FileStamp stamp_;
};

} // namespace hookwise::platform
