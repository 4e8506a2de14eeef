// UpdateLock: one update at a time per user. The lock is the named mutex "hookwise-update" (a
// file in the runtime folder held with flock), released by the kernel if the process dies.
#pragma once

#include "platform/NamedMutex.h"

#include <functional>
#include <string>

namespace hookwise::tools {

inline constexpr char kUpdateLockName[] = "hookwise-update";

class UpdateLock {
public:
    // Takes the lock, waiting up to waitMs for a run that holds it; waiting is called once when
    // the first try finds it held. False, with the reason in error, when it is still held after
    // waitMs or cannot be made (no runtime folder).
    bool Acquire(long waitMs, const std::function<void()>& waiting, std::string& error);

private:
    NamedMutex mutex_;
};

} // namespace hookwise::tools
