// EngineReady: engine set-up once, then a rate-limited look for the channel socket and the
// working database. Only constant-initialised statics, so loading the library runs no code.
#include "provider/EngineGate.h"

#include "engine/LSPGlobals.h"
#include "platform/Window.h"
#include "provider/ProviderGuard.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <mutex>
#include <string>

#include <sys/stat.h>
#include <time.h>

namespace hookwise::provider {

namespace {

constexpr char kHandlerCaption[] = "Baitguard Server Handler";

std::mutex gateLock;
std::atomic<bool> checkedOnce{false};
std::atomic<bool> engineSetUp{false};
std::atomic<bool> lookupsOn{false};
std::atomic<std::int64_t> nextCheck{0};

std::int64_t NowMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

bool Exists(const char* path) {
    struct stat info {};
    return path && *path && stat(path, &info) == 0;
}

// Runs under gateLock. Everything it does (the registry read, the channel probe) goes past the
// provider's own interposed calls.
void Refresh(std::int64_t now) {
    ProviderGuard guard;
    int savedErrno = errno;
    bool on = false;
    try {
        // No channel socket: the tray program is not running, so there is nothing to look up and
        // nobody to ask; the engine is not even set up.
        std::string channel = ChannelPath(kHandlerCaption);
        if (Exists(channel.c_str())) {
            HWND window = std::atomic_ref<HWND>(CLSPGlobals::hMainWnd).load();
            if (!engineSetUp.load(std::memory_order_relaxed) || !window) {
                CLSPGlobals::InitializeAppVars();
                engineSetUp.store(true, std::memory_order_relaxed);
            }
            on = Exists(CLSPGlobals::szDBPath);
        }
    } catch (...) {
        on = false;
    }
    lookupsOn.store(on, std::memory_order_release);
    nextCheck.store(now + kRecheckMilliseconds, std::memory_order_relaxed);
    checkedOnce.store(true, std::memory_order_release);
    errno = savedErrno;
}

} // namespace

bool EngineReady() {
    std::int64_t now = NowMilliseconds();
    if (!checkedOnce.load(std::memory_order_acquire)) {
        // The very first answer: everybody waits for it, so no lookup runs before the set-up.
        std::lock_guard lock(gateLock);
        if (!checkedOnce.load(std::memory_order_relaxed))
            Refresh(now);
    } else if (now >= nextCheck.load(std::memory_order_relaxed)) {
        std::unique_lock lock(gateLock, std::try_to_lock);
        if (lock.owns_lock() && now >= nextCheck.load(std::memory_order_relaxed))
            Refresh(now);
    }
    return lookupsOn.load(std::memory_order_acquire);
}

} // namespace hookwise::provider
