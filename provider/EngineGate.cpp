// EngineReady: engine set-up once, then a rate-limited look for the channel socket and the
// working database. Only constant-initialised statics, so loading the library runs no code.
#include "provider/EngineGate.h"

#include "provider/ProviderGuard.h"
#include "engine/LSPGlobals.h"
#include "platform/ErrnoKeeper.h"
#include "platform/ProductNames.h"
#include "platform/Window.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>

#include <sys/stat.h>
#include <time.h>

using namespace hookwise::platform;

namespace hookwise::provider {

namespace {

std::mutex gateLock;
std::atomic<bool> checkedOnce{false};
std::atomic<bool> engineSetUp{false};
std::atomic<bool> lookupsOn{false};
std::atomic<std::int64_t> nextCheck{0};
std::atomic<std::uint64_t> generation{1};

// What the last refresh saw of the working database; changed only under gateLock.
struct DatabaseIdentity {
    bool present = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    char path[sizeof CLSPGlobals::szDBPath] = "";
};
DatabaseIdentity lastSeen;

std::int64_t NowMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

bool Exists(const char* path) {
    struct stat info {};
    return path && *path && stat(path, &info) == 0;
}

// Reads the working database's identity and starts a new lookup generation when it differs from
// the last one seen, so verdicts remembered from an older database are not used again. A file
// changed within the last two seconds counts as changed on every refresh: an in-place rewrite
// within one clock tick keeps the same identity.
bool CheckDatabase(bool channelExists) {
    DatabaseIdentity now;
    struct stat info {};
    const char* path = CLSPGlobals::szDBPath;
    now.present = channelExists && path[0] != '\0' && stat(path, &info) == 0;
    if (now.present) {
        now.device = info.st_dev;
        now.inode = info.st_ino;
        now.size = info.st_size;
        now.modified = info.st_mtim;
        std::memcpy(now.path, path, sizeof now.path);
        now.path[sizeof now.path - 1] = '\0';
    }
    timespec wall{};
    clock_gettime(CLOCK_REALTIME, &wall);
    bool recent = now.present && wall.tv_sec - now.modified.tv_sec < 2;
    bool same = now.present == lastSeen.present && now.device == lastSeen.device &&
                now.inode == lastSeen.inode && now.size == lastSeen.size &&
                now.modified.tv_sec == lastSeen.modified.tv_sec &&
                now.modified.tv_nsec == lastSeen.modified.tv_nsec &&
                std::strcmp(now.path, lastSeen.path) == 0;
    if (!same || recent)
        generation.fetch_add(1, std::memory_order_acq_rel);
    lastSeen = now;
    return now.present;
}

// Runs under gateLock. Everything it does (the registry read, the channel probe) goes past the
// provider's own interposed calls.
void Refresh(std::int64_t now) {
    ProviderGuard guard;
    ErrnoKeeper keepErrno;
    bool on = false;
    try {
        // No channel socket: the tray program is not running, so there is nothing to look up and
        // nobody to ask; the engine is not even set up.
        std::string channel = ChannelPath(kHandlerCaption);
        bool running = Exists(channel.c_str());
        if (running) {
            HWND window = std::atomic_ref<HWND>(CLSPGlobals::hMainWnd).load();
            if (!engineSetUp.load(std::memory_order_relaxed) || !window) {
                CLSPGlobals::InitializeAppVars();
                engineSetUp.store(true, std::memory_order_relaxed);
            }
        }
        on = CheckDatabase(running);
    } catch (...) {
        on = false;
        generation.fetch_add(1, std::memory_order_acq_rel);
    }
    lookupsOn.store(on, std::memory_order_release);
    nextCheck.store(now + kRecheckMilliseconds, std::memory_order_relaxed);
    checkedOnce.store(true, std::memory_order_release);
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

std::uint64_t LookupGeneration() {
    return generation.load(std::memory_order_acquire);
}

} // namespace hookwise::provider
