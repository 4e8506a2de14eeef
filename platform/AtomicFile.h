// Writing a file so that readers see either its old or its new content, never a part, and
// DeleteFileA.
#pragma once

#include "platform/WinTypes.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace hookwise::platform {

// A file written under a temporary name beside its target and renamed over the target when
// complete. Destroyed without a successful Commit, it removes the temporary file and leaves the
// target as it was.
class AtomicFileWriter {
public:
    AtomicFileWriter() = default;
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;
    ~AtomicFileWriter();

    // Creates the temporary file (target + ".XXXXXX") with the given mode. Returns ERROR_SUCCESS
    // or the Win32 code of the failure (ERROR_PATH_NOT_FOUND for a missing folder,
    // ERROR_ACCESS_DENIED ...); ERROR_INVALID_PARAMETER when a file is already being written.
    LONG Create(const std::string& target, unsigned mode = 0600);
    // Writes every byte (short writes are continued). ERROR_INVALID_HANDLE when nothing was
    // created; otherwise ERROR_SUCCESS or the Win32 code of the failure (ERROR_DISK_FULL ...).
    LONG Write(const void* data, std::size_t size);
    // Appends size bytes of the open file fd from offset on (copy_file_range, or reading and
    // writing where the kernel cannot copy between the two files). ERROR_INVALID_HANDLE when
    // nothing was created; ERROR_HANDLE_EOF when fd ends before size bytes; otherwise
    // ERROR_SUCCESS or the Win32 code of the failure.
    LONG CopyFrom(int fd, std::uint64_t offset, std::uint64_t size);
    // Flushes the file to disk and renames it over the target. ERROR_SUCCESS, or the Win32 code
    // of the failure, with the temporary file removed and the target untouched.
    LONG Commit();

    const std::string& TemporaryPath() const { return temporary_; }

private:
    void Discard();

    int fd_ = -1;
    std::string target_;
    std::string temporary_;
};

// Writes content to path whole or not at all, through an AtomicFileWriter: a temporary file beside
// path with the given mode, flushed and renamed over path. ERROR_SUCCESS, or the Win32 code of the
// step that failed, with path untouched and no temporary file left.
LONG WriteFileAtomically(const std::string& path, std::string_view content, unsigned mode = 0600);

// Makes path a second name of the existing file source (a hard link made under a temporary name
// and renamed over path), or a copy of it where the file system has no hard links. Either way
// path then holds source's content whole, or is untouched on failure. Only for files that are
// never written in place (both names then always show the same bytes). ERROR_SUCCESS or the Win32
// code of the failure.
LONG LinkFileAtomically(const std::string& source, const std::string& path, unsigned mode = 0600);

// Removes a file. TRUE on success; FALSE with the last error set (ERROR_FILE_NOT_FOUND when there
// is none, ERROR_ACCESS_DENIED for a folder or a protected file).
BOOL DeleteFileA(const char* path);

} // namespace hookwise::platform
