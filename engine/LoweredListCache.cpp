// A small cache of lower-cased definition lists, one per list, each tied to the database version
// it was read from.
#include "engine/LoweredListCache.h"

#include "engine/DefinitionList.h"
#include "platform/AsciiCase.h"
#include "platform/CaseFold.h"
#include "platform/FixedField.h"

#include <cstring>
#include <mutex>
#include <new>

#include <pthread.h>

using namespace hookwise::platform;

namespace {

constexpr std::size_t kEntrySize = kFieldSize;

struct CacheSlot {
    std::string section;
    std::string prefix;
    unsigned long valueSize = 0;
    EntryCase entryCase = EntryCase::Ascii;
    std::shared_ptr<const void> version; // keeps the parsed copy alive, so the key stays unique
    std::shared_ptr<const LoweredList> list;
};

std::mutex cacheLock;

std::vector<CacheSlot>& Slots() {
    static auto* slots = new std::vector<CacheSlot>; // never destroyed: lookups may run at exit
    return *slots;
}

// A fork while another thread holds the lock would leave it held for good in the child, whose
// next lookup would wait forever: the lock is taken around every fork, the parent releases it and
// the child gets a new one (its only thread is not the owner of the old one). Registered when
// the library is loaded: registering on first use could itself race with a fork.
struct ForkSafety {
    ForkSafety() {
        pthread_atfork([] { cacheLock.lock(); }, [] { cacheLock.unlock(); },
                       [] { new (&cacheLock) std::mutex; });
    }
};
const ForkSafety forkSafety;

std::shared_ptr<const LoweredList> ReadList(const DefinitionList& source, EntryCase entryCase) {
    auto list = std::make_shared<LoweredList>();
    char entry[kEntrySize];
    for (unsigned long index = 1; source.Read(index, entry) != 0 && entry[0] != '\0'; ++index) {
        list->entries.push_back(entryCase == EntryCase::Unicode ? FoldedEntry(entry)
                                                                : AsciiLowered(entry));
    }
    // Views into the strings: made only once the vector no longer moves them.
    list->exact.reserve(list->entries.size());
    for (const std::string& text : list->entries)
        list->exact.insert(text);
    return list;
}

std::shared_ptr<const LoweredList> CurrentOrRead(const char* section, const char* prefix,
                                                 unsigned long valueSize, EntryCase entryCase) {
    DefinitionList source(section, prefix, valueSize); // one check of the database file
    std::shared_ptr<const void> version = source.Version();
    std::lock_guard lock(cacheLock);
    CacheSlot* slot = nullptr;
    for (CacheSlot& candidate : Slots()) {
        if (candidate.valueSize == valueSize && candidate.entryCase == entryCase &&
            candidate.section == section && candidate.prefix == prefix) {
            slot = &candidate;
            break;
        }
    }
    if (!slot) {
        Slots().push_back({section, prefix, valueSize, entryCase, nullptr, nullptr});
        slot = &Slots().back();
    }
    if (!slot->list || slot->version != version) {
        slot->list = ReadList(source, entryCase);
        slot->version = std::move(version);
    }
    return slot->list;
}

} // namespace

std::string FoldedEntry(std::string_view entry) {
    std::string folded = FoldCase(entry);
    if (folded.size() > kEntrySize - 1)
        folded.resize(kEntrySize - 1); // a fold can grow a text (ß, some Greek letters)
    return folded;
}

std::shared_ptr<const LoweredList> CurrentLoweredList(const char* section, const char* prefix,
                                                      unsigned long valueSize,
                                                      EntryCase entryCase) {
    try {
        return CurrentOrRead(section, prefix, valueSize, entryCase);
    } catch (const std::bad_alloc&) {
        return nullptr; // reads as an empty list, as a database too large to hold does
    }
}
