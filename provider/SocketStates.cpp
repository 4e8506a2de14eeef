// A direct-mapped table of per-descriptor slots (constant-initialised, so loading the library runs
// no code), with the socket identity check for state that lasts beyond one call.
#include "provider/SocketStates.h"

#include "provider/ClientHello.h"
#include "platform/ErrnoKeeper.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <sys/stat.h>

using namespace hookwise::platform;

namespace hookwise::provider {

struct PendingHello {
    std::size_t size = 0;
    unsigned char bytes[kClientHelloLookLimit];
};

namespace {

struct Slot {
    std::atomic<std::uint32_t> flags{0};
    std::atomic<std::uint32_t> decidedName{0};
    std::atomic<std::uint64_t> identity{0}; // device and inode mixed; 0 when not taken
    std::atomic<PendingHello*> pending{nullptr};
};

Slot slots[kTrackedDescriptors];

Slot* SlotOf(int fd) {
    return fd >= 0 && fd < kTrackedDescriptors ? &slots[fd] : nullptr;
}

// The socket's identity; 0 when fstat fails. Keeps errno.
std::uint64_t Identity(int fd) {
    ErrnoKeeper keepErrno;
    struct stat info {};
    std::uint64_t identity = 0;
    if (fstat(fd, &info) == 0)
        identity = (static_cast<std::uint64_t>(info.st_dev) << 40) ^
                   static_cast<std::uint64_t>(info.st_ino) ^ 1;
    return identity;
}

void FreePending(Slot& slot) {
    std::free(slot.pending.exchange(nullptr, std::memory_order_acq_rel));
}

} // namespace

void NoteConnect(int fd, std::uint32_t decidedName) {
    Slot* slot = SlotOf(fd);
    if (!slot)
        return;
    if (slot->pending.load(std::memory_order_relaxed))
        FreePending(*slot);
    slot->identity.store(0, std::memory_order_relaxed);
    slot->decidedName.store(decidedName, std::memory_order_relaxed);
    slot->flags.store(kAwaitingFirstWrite, std::memory_order_release);
}

std::uint32_t SocketFlags(int fd) {
    Slot* slot = SlotOf(fd);
    return slot ? slot->flags.load(std::memory_order_relaxed) : 0;
}

bool TakeFirstWrite(int fd) {
    Slot* slot = SlotOf(fd);
    return slot && (slot->flags.fetch_and(~kAwaitingFirstWrite, std::memory_order_acq_rel) &
                    kAwaitingFirstWrite) != 0;
}

std::uint32_t DecidedName(int fd) {
    Slot* slot = SlotOf(fd);
    return slot ? slot->decidedName.load(std::memory_order_relaxed) : 0;
}

bool MarkRefused(int fd) {
    Slot* slot = SlotOf(fd);
    std::uint64_t identity = slot ? Identity(fd) : 0;
    if (identity == 0)
        return false;
    slot->identity.store(identity, std::memory_order_relaxed);
    slot->flags.fetch_or(kRefused, std::memory_order_acq_rel);
    return true;
}

bool MarkAnswered(int fd) {
    Slot* slot = SlotOf(fd);
    std::uint64_t identity = slot ? Identity(fd) : 0;
    if (identity == 0)
        return false;
    if (slot->pending.load(std::memory_order_relaxed))
        FreePending(*slot);
    slot->identity.store(identity, std::memory_order_relaxed);
    slot->decidedName.store(0, std::memory_order_relaxed);
    slot->flags.store(kAnswered, std::memory_order_release);
    return true;
}

namespace {

// True when fd carries mark and still is the socket it was set on; a reused descriptor loses it.
bool HasMark(int fd, std::uint32_t mark) {
    Slot* slot = SlotOf(fd);
    if (!slot || !(slot->flags.load(std::memory_order_acquire) & mark))
        return false;
    if (Identity(fd) == slot->identity.load(std::memory_order_relaxed))
        return true;
    slot->flags.fetch_and(~mark, std::memory_order_acq_rel);
    return false;
}

} // namespace

bool IsRefused(int fd) {
    return HasMark(fd, kRefused);
}

bool IsAnswered(int fd) {
    return HasMark(fd, kAnswered);
}

PendingHello* StartPending(int fd) {
    Slot* slot = SlotOf(fd);
    std::uint64_t identity = slot ? Identity(fd) : 0;
    if (identity == 0)
        return nullptr;
    FreePending(*slot);
    auto* pending = static_cast<PendingHello*>(std::malloc(sizeof(PendingHello)));
    if (!pending)
        return nullptr;
    pending->size = 0;
    slot->identity.store(identity, std::memory_order_relaxed);
    slot->pending.store(pending, std::memory_order_release);
    slot->flags.fetch_or(kHelloPending, std::memory_order_acq_rel);
    return pending;
}

PendingHello* ContinuePending(int fd) {
    Slot* slot = SlotOf(fd);
    if (!slot || !(slot->flags.load(std::memory_order_acquire) & kHelloPending))
        return nullptr;
    PendingHello* pending = slot->pending.load(std::memory_order_acquire);
    if (pending && Identity(fd) == slot->identity.load(std::memory_order_relaxed))
        return pending;
    DropPending(fd);
    return nullptr;
}

void AppendPending(PendingHello& pending, const iovec* parts, int count, const void*& whole,
                   std::size_t& wholeSize) {
    for (int i = 0; parts && i < count && pending.size < sizeof pending.bytes; ++i) {
        if (!parts[i].iov_base)
            continue;
        std::size_t take = parts[i].iov_len;
        if (take > sizeof pending.bytes - pending.size)
            take = sizeof pending.bytes - pending.size;
        std::memcpy(pending.bytes + pending.size, parts[i].iov_base, take);
        pending.size += take;
    }
    whole = pending.bytes;
    wholeSize = pending.size;
}

void DropPending(int fd) {
    Slot* slot = SlotOf(fd);
    if (!slot)
        return;
    slot->flags.fetch_and(~kHelloPending, std::memory_order_acq_rel);
    FreePending(*slot);
}

std::uint32_t ServerNameHash(const char* name) {
    std::uint32_t hash = 2166136261u;
    for (; name && *name; ++name) {
        if (name[0] == '.' && name[1] == '\0')
            break; // "evil.example." is "evil.example"
        unsigned char c = static_cast<unsigned char>(*name);
        if (c >= 'A' && c <= 'Z')
            c = static_cast<unsigned char>(c - 'A' + 'a');
        hash = (hash ^ c) * 16777619u;
    }
    return hash == 0 ? 1 : hash;
}

} // namespace hookwise::provider
