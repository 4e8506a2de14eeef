// UpdateLock: tries the named mutex every 100 ms until the wait is over.
#include "tools/update/UpdateLock.h"

#include <chrono>
#include <thread>

namespace hookwise::tools {

bool UpdateLock::Acquire(long waitMs, const std::function<void()>& waiting, std::string& error) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    bool told = false;
    for (;;) {
        mutex_.Close();
        const LONG code = mutex_.Create(kUpdateLockName, true);
        if (code == ERROR_SUCCESS && mutex_.IsOwned())
            return true;
        if (code != ERROR_ALREADY_EXISTS) {
            error = "cannot make the update lock in the runtime folder (error " +
                    std::to_string(code) + ")";
            return false;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            error = "another update is still running (" + mutex_.Path() + " is held)";
            mutex_.Close();
            return false;
        }
        if (!told && waiting)
            waiting();
        told = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

} // namespace hookwise::tools
