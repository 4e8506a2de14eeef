// CreateMutexA by name: a lock file in the runtime folder held with flock, released by the kernel
// when the process dies.
#pragma once

#include "platform/WinTypes.h"

#include <string>

// Move-only owner of a named mutex. The file RuntimeFolder() + "/" + name + ".lock" stands for the
// mutex; an owned mutex holds an exclusive flock on it.
class NamedMutex {
public:
    NamedMutex() = default;
    NamedMutex(NamedMutex&& other) noexcept;
    NamedMutex& operator=(NamedMutex&& other) noexcept;
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;
    // Closes the file, which releases the lock.
    ~NamedMutex();

    // Opens (creating, mode 0600) the mutex file of name. With initialOwner the caller takes the
    // lock without waiting. Returns:
    //   ERROR_SUCCESS          the mutex is open (and owned, when asked);
    //   ERROR_ALREADY_EXISTS   initialOwner and another process owns it: as CreateMutex, the
    //                          mutex is still open but not owned;
    //   ERROR_INVALID_PARAMETER for a null or empty name, ".", "..", or one holding a '/';
    //   otherwise the Win32 code of the failure (no runtime folder, the file cannot be opened);
    //   nothing is open then.
    // Differences from Windows: without initialOwner the mutex cannot tell whether it existed
    // (ERROR_SUCCESS is returned either way); ownership belongs to the process, not a thread.
    LONG Create(const char* name, bool initialOwner);

    bool IsOpen() const { return fd_ >= 0; }
    bool IsOwned() const { return owned_; }
    const std::string& Path() const { return path_; }
    void Close();

private:
    int fd_ = -1;
    bool owned_ = false;
    std::string path_;
};
