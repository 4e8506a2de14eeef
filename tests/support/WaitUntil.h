// WaitUntil: waits for a condition that another thread or process brings about, instead of
// sleeping a fixed time and hoping it happened. The time-out only ends a wait that would otherwise
// never end; a passing test never reaches it.
#pragma once

#include <chrono>
#include <thread>

namespace testsupport {

// Checks done() until it holds (true) or timeout has passed (false, after one last check).
template <class Condition>
bool WaitUntil(Condition done, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return done();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

} // namespace testsupport
