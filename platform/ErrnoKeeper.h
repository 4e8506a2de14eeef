// ErrnoKeeper: restores errno when a scope ends, whatever path it takes, for code that runs inside
// another program's calls (the interception provider, signal handlers) and must leave errno as the
// caller saw it.
#pragma once

#include <cerrno>

namespace hookwise::platform {

class ErrnoKeeper {
public:
    ErrnoKeeper() : saved_(errno) {}
    ~ErrnoKeeper() { errno = saved_; }
    ErrnoKeeper(const ErrnoKeeper&) = delete;
    ErrnoKeeper& operator=(const ErrnoKeeper&) = delete;

    // The errno seen when the keeper was made.
    int Saved() const { return saved_; }

private:
    int saved_;
};

} // namespace hookwise::platform
