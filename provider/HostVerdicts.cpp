// A direct-mapped table of host verdicts behind a try-lock.
#include "provider/HostVerdicts.h"

#include <atomic>
#include <cstddef>
#include <cstring>

namespace hookwise::provider {

namespace {

constexpr std::size_t kSlots = 256;
constexpr std::size_t kHostSize = 100; // the engine's host entries: 99 characters

struct Slot {
    std::uint64_t generation = 0; // 0: empty; generations start at 1
    bool listed = false;
    char host[kHostSize] = "";
};

Slot tables[2][kSlots];
std::atomic_flag busyFlags[2] = {ATOMIC_FLAG_INIT, ATOMIC_FLAG_INIT};

// FNV-1a over the host text; length is set to the text's length, or kHostSize when it is longer.
std::size_t SlotOf(const char* host, std::size_t& length) {
    std::uint32_t hash = 2166136261u;
    length = 0;
    while (length < kHostSize && host[length] != '\0') {
        hash = (hash ^ static_cast<unsigned char>(host[length])) * 16777619u;
        ++length;
    }
    return hash % kSlots;
}

class TryLock {
public:
    explicit TryLock(std::atomic_flag& busy)
        : busy_(busy), owned_(!busy.test_and_set(std::memory_order_acquire)) {}
    ~TryLock() {
        if (owned_)
            busy_.clear(std::memory_order_release);
    }
    TryLock(const TryLock&) = delete;
    TryLock& operator=(const TryLock&) = delete;
    bool Owned() const { return owned_; }

private:
    std::atomic_flag& busy_;
    bool owned_;
};

} // namespace

Verdict FindVerdict(const char* host, std::uint64_t generation, VerdictTable which) {
    if (!host || generation == 0)
        return Verdict::Unknown;
    std::size_t length = 0;
    const int index = which == VerdictTable::Names ? 1 : 0;
    const Slot& slot = tables[index][SlotOf(host, length)];
    if (length >= kHostSize)
        return Verdict::Unknown;
    TryLock lock(busyFlags[index]);
    if (!lock.Owned() || slot.generation != generation ||
        std::memcmp(slot.host, host, length + 1) != 0)
        return Verdict::Unknown;
    return slot.listed ? Verdict::Listed : Verdict::NotListed;
}

void StoreVerdict(const char* host, std::uint64_t generation, bool listed, VerdictTable which) {
    if (!host || generation == 0)
        return;
    std::size_t length = 0;
    const int index = which == VerdictTable::Names ? 1 : 0;
    Slot& slot = tables[index][SlotOf(host, length)];
    if (length >= kHostSize)
        return;
    TryLock lock(busyFlags[index]);
    if (!lock.Owned())
        return;
    std::memcpy(slot.host, host, length + 1);
    slot.generation = generation;
    slot.listed = listed;
}

} // namespace hookwise::provider
