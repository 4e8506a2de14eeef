// A small ring of decided addresses behind a try-lock; a busy ring counts as empty.
#include "provider/DecidedNames.h"

#include <atomic>
#include <cstring>

#include <netinet/in.h>
#include <time.h>

namespace hookwise::provider {

namespace {

constexpr int kEntries = 64;

struct Entry {
    std::int64_t expires = 0; // monotonic milliseconds; 0: empty
    std::uint32_t nameHash = 0;
    unsigned char address[16] = {};
};

Entry ring[kEntries];
int next = 0;
std::atomic<int> used{0};
std::atomic_flag busy = ATOMIC_FLAG_INIT;

struct NameEntry {
    std::int64_t expires = 0;
    std::uint32_t nameHash = 0;
    bool allowed = false;
};
NameEntry names[kEntries];
int nextName = 0;
std::atomic<int> namesUsed{0};
std::atomic_flag namesBusy = ATOMIC_FLAG_INIT;

std::int64_t NowMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// The address as 16 bytes: IPv6 as it is, IPv4 as its IPv4-mapped IPv6 form, so a dual-stack
// connect to a mapped address finds the IPv4 lookup's entry.
bool AddressKey(const sockaddr* addr, socklen_t length, unsigned char (&key)[16]) {
    if (!addr)
        return false;
    if (addr->sa_family == AF_INET && length >= static_cast<socklen_t>(sizeof(sockaddr_in))) {
        sockaddr_in v4;
        std::memcpy(&v4, addr, sizeof v4);
        std::memset(key, 0, 10);
        key[10] = key[11] = 0xff;
        std::memcpy(key + 12, &v4.sin_addr, 4);
        return true;
    }
    if (addr->sa_family == AF_INET6 && length >= static_cast<socklen_t>(sizeof(sockaddr_in6))) {
        sockaddr_in6 v6;
        std::memcpy(&v6, addr, sizeof v6);
        std::memcpy(key, &v6.sin6_addr, 16);
        return true;
    }
    return false;
}

class TryLock {
public:
    explicit TryLock(std::atomic_flag& flag = busy)
        : flag_(flag), owned_(!flag.test_and_set(std::memory_order_acquire)) {}
    ~TryLock() {
        if (owned_)
            flag_.clear(std::memory_order_release);
    }
    TryLock(const TryLock&) = delete;
    TryLock& operator=(const TryLock&) = delete;
    bool Owned() const { return owned_; }

private:
    std::atomic_flag& flag_;
    bool owned_;
};

} // namespace

void RememberDecidedAddress(const sockaddr* addr, socklen_t length, std::uint32_t nameHash) {
    unsigned char key[16];
    if (nameHash == 0 || !AddressKey(addr, length, key))
        return;
    TryLock lock;
    if (!lock.Owned())
        return;
    Entry& entry = ring[next];
    next = (next + 1) % kEntries;
    std::memcpy(entry.address, key, sizeof key);
    entry.nameHash = nameHash;
    entry.expires = NowMilliseconds() + kDecidedMilliseconds;
    if (used.load(std::memory_order_relaxed) < kEntries)
        used.fetch_add(1, std::memory_order_release);
}

std::uint32_t DecidedNameFor(const sockaddr* addr, socklen_t length) {
    if (used.load(std::memory_order_acquire) == 0)
        return 0;
    unsigned char key[16];
    if (!AddressKey(addr, length, key))
        return 0;
    TryLock lock;
    if (!lock.Owned())
        return 0;
    std::int64_t now = NowMilliseconds();
    // Newest first: a name looked up again wins over an older lookup of the same address.
    for (int i = 1; i <= kEntries; ++i) {
        const Entry& entry = ring[(next - i + kEntries) % kEntries];
        if (entry.expires > now && std::memcmp(entry.address, key, sizeof key) == 0)
            return entry.nameHash;
    }
    return 0;
}

void RememberNameDecision(std::uint32_t nameHash, bool allowed) {
    if (nameHash == 0)
        return;
    TryLock lock(namesBusy);
    if (!lock.Owned())
        return;
    NameEntry& entry = names[nextName];
    nextName = (nextName + 1) % kEntries;
    entry.nameHash = nameHash;
    entry.allowed = allowed;
    entry.expires = NowMilliseconds() + kDecidedMilliseconds;
    if (namesUsed.load(std::memory_order_relaxed) < kEntries)
        namesUsed.fetch_add(1, std::memory_order_release);
}

NameDecision FindNameDecision(std::uint32_t nameHash) {
    if (nameHash == 0 || namesUsed.load(std::memory_order_acquire) == 0)
        return NameDecision::Unknown;
    TryLock lock(namesBusy);
    if (!lock.Owned())
        return NameDecision::Unknown;
    std::int64_t now = NowMilliseconds();
    for (int i = 1; i <= kEntries; ++i) {
        const NameEntry& entry = names[(nextName - i + kEntries) % kEntries];
        if (entry.expires > now && entry.nameHash == nameHash)
            return entry.allowed ? NameDecision::Allowed : NameDecision::Blocked;
    }
    return NameDecision::Unknown;
}

} // namespace hookwise::provider
