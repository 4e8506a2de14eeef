// IndexLease: a few fixed slots for mapped indexes, one of them current, each with a count of the
// leases that read it, so an index replaced while a lookup reads it stays mapped until that
// lookup ends.
#include "engine/CurrentIndex.h"

#include "engine/DefinitionIndex.h"
#include "engine/LSPGlobals.h"
#include "platform/MappedFile.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <new>

#include <pthread.h>

using namespace hookwise::platform;

namespace {

using namespace definition_index;

// Indexes larger than this are not mapped (they would not fit a 32-bit offset anyway).
constexpr std::size_t kMaxIndexSize = std::size_t(1) << 36;
constexpr std::size_t kPathSize = sizeof CLSPGlobals::szDBPath;

struct Slot {
    std::atomic<int> readers{0};
    std::atomic<bool> damaged{false};
    bool inUse = false; // current or still read by a lease; changed under slotLock
    MappedFile file;
    DefinitionIndexView view;
    FileStamp database; // the working copy the index belongs to
    char databasePath[kPathSize] = "";
};

// Four are enough: one current, one just replaced and still read, two spare.
constexpr int kSlotCount = 4;
Slot slots[kSlotCount];
std::atomic<Slot*> current{nullptr};
std::atomic<bool> enabled{true};
std::mutex slotLock;

// As in the list cache: a fork while another thread maps an index must not leave the lock held
// in the child.
struct ForkSafety {
    ForkSafety() {
        pthread_atfork([] { slotLock.lock(); }, [] { slotLock.unlock(); },
                       [] { new (&slotLock) std::mutex; });
    }
};
const ForkSafety forkSafety;

bool BelongsTo(const Slot& slot, const FileStamp& database, const char* path) {
    return slot.database == database && std::strncmp(slot.databasePath, path, kPathSize) == 0;
}

// The index path beside the working copy, or false when it would not fit.
bool IndexPath(const char* database, char (&path)[kPathSize + 4]) {
    std::size_t length = strnlen(database, kPathSize);
    if (length == 0 || length >= kPathSize)
        return false;
    if (length >= 4 && std::memcmp(database + length - 4, ".pbd", 4) == 0)
        length -= 4;
    std::memcpy(path, database, length);
    std::memcpy(path + length, ".pbi", 5);
    return true;
}

// The identity the index header names, as a stamp.
FileStamp SourceStamp(const SourceIdentity& source) {
    FileStamp stamp;
    stamp.device = source.device;
    stamp.inode = source.inode;
    stamp.size = source.size;
    stamp.modifiedSeconds = source.modifiedSeconds;
    stamp.modifiedNanoseconds = source.modifiedNanoseconds;
    return stamp;
}

// Unmaps the slots no lease reads any more; under slotLock.
void ReleaseUnused(Slot* keep) {
    for (Slot& slot : slots) {
        if (&slot != keep && slot.inUse && slot.readers.load() == 0) {
            slot.file.Close();
            slot.inUse = false;
        }
    }
}

// Under slotLock: maps the index that belongs to database at path into a free slot and makes it
// current. Null when there is none or no slot is free.
Slot* MapIndex(const FileStamp& database, const char* path) {
    current.store(nullptr); // whatever was current does not belong to this working copy
    ReleaseUnused(nullptr);
    char indexPath[kPathSize + 4];
    if (!IndexPath(path, indexPath))
        return nullptr;
    Slot* slot = nullptr;
    for (Slot& candidate : slots) {
        if (!candidate.inUse) {
            slot = &candidate;
            break;
        }
    }
    if (!slot)
        return nullptr; // every slot still read by a lookup of an older version
    if (!slot->file.Open(indexPath, kMaxIndexSize))
        return nullptr;
    DefinitionIndexView view;
    if (!DefinitionIndexView::Open(slot->file.Data(), slot->file.Size(), view) ||
        SourceStamp(view.Source()) != database) {
        slot->file.Close();
        return nullptr;
    }
    slot->view = view;
    slot->database = database;
    std::memcpy(slot->databasePath, path, strnlen(path, kPathSize - 1));
    slot->databasePath[strnlen(path, kPathSize - 1)] = '\0';
    slot->damaged.store(false);
    slot->inUse = true;
    current.store(slot);
    return slot;
}

} // namespace

IndexLease::IndexLease() {
    if (!enabled.load(std::memory_order_relaxed))
        return;
    const char* path = CLSPGlobals::szDBPath;
    FileStamp database;
    if (!StampOfFile(path, database))
        return;
    Slot* slot = current.load();
    if (slot) {
        slot->readers.fetch_add(1);
        // Taken only while it is still current, so a replacing thread either sees this reader or
        // this reader sees the replacement.
        if (current.load() == slot && BelongsTo(*slot, database, path)) {
            if (slot->damaged.load()) {
                slot->readers.fetch_sub(1);
                return;
            }
            slot_ = slot;
            return;
        }
        slot->readers.fetch_sub(1);
    }
    std::lock_guard lock(slotLock);
    slot = current.load();
    if (!slot || !BelongsTo(*slot, database, path))
        slot = MapIndex(database, path);
    if (!slot || slot->damaged.load())
        return;
    slot->readers.fetch_add(1);
    slot_ = slot;
}

IndexLease::~IndexLease() {
    if (slot_)
        static_cast<Slot*>(slot_)->readers.fetch_sub(1);
}

const DefinitionIndexView* IndexLease::View() const {
    return slot_ ? &static_cast<Slot*>(slot_)->view : nullptr;
}

void IndexLease::ReportDamage() {
    if (slot_)
        static_cast<Slot*>(slot_)->damaged.store(true);
}

void SetDefinitionIndexEnabled(bool on) {
    enabled.store(on);
}

void DefinitionIndexForget() {
    std::lock_guard lock(slotLock);
    current.store(nullptr);
    ReleaseUnused(nullptr);
}
