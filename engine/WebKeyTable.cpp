// The keys of an entry, and the cache of one key table per version of the HostLink and Link lists.
#include "engine/WebKeyTable.h"

#include "engine/LSPGlobals.h"
#include "engine/LoweredListCache.h"
#include "engine/WebAddress.h"
#include "platform/FixedField.h"

#include <mutex>
#include <new>

#include <pthread.h>

using namespace hookwise::platform;

namespace {

constexpr unsigned long kValueSize = kFieldSize;

struct TableSlot {
    std::shared_ptr<const LoweredList> hostLinks;
    std::shared_ptr<const LoweredList> links;
    std::shared_ptr<const WebKeyTable> table;
};

std::mutex tableLock;
TableSlot* slot = nullptr; // made on first use, never destroyed: lookups may run at exit

// As in the list cache: a fork while another thread builds the table must not leave the lock
// held in the child.
struct ForkSafety {
    ForkSafety() {
        pthread_atfork([] { tableLock.lock(); }, [] { tableLock.unlock(); },
                       [] { new (&tableLock) std::mutex; });
    }
};
const ForkSafety forkSafety;

void AddKeys(WebKeyTable& table, const LoweredList* list, const WellKnownSites& sites) {
    if (!list)
        return;
    for (const std::string& entry : list->entries) {
        std::uint64_t keys[2];
        int count = EntryWebKeys(entry, sites, keys);
        for (int i = 0; i < count; ++i)
            table.Add(keys[i]);
    }
}

} // namespace

int EntryWebKeys(std::string_view entry, const WellKnownSites& sites, std::uint64_t (&keys)[2]) {
    WebAddressParts parts;
    if (!ParseWebAddress(entry, parts))
        return 0;
    keys[0] = WebEntryKey(parts.Host(), parts.Path());
    if (parts.pathLength == 0 || sites.IsWellKnown(parts.Host()))
        return 1;
    keys[1] = PageHostKey(parts.Host());
    return 2;
}

const WellKnownSites& ProcessWellKnownSites() {
    static const WellKnownSites* sites = new WellKnownSites(LoadWellKnownSites());
    return *sites;
}

std::shared_ptr<const WebKeyTable> CurrentWebKeyTable() {
    try {
        auto hostLinks = CurrentLoweredList(CLSPGlobals::szHostLinkSec, "HLINK", kValueSize);
        auto links = CurrentLoweredList(CLSPGlobals::szUrlSec, "CLINK", kValueSize);
        const WellKnownSites& sites = ProcessWellKnownSites();
        std::lock_guard lock(tableLock);
        if (!slot)
            slot = new TableSlot;
        if (slot->table && slot->hostLinks == hostLinks && slot->links == links)
            return slot->table;
        auto table = std::make_shared<WebKeyTable>();
        AddKeys(*table, hostLinks.get(), sites);
        AddKeys(*table, links.get(), sites);
        slot->hostLinks = std::move(hostLinks);
        slot->links = std::move(links);
        slot->table = std::move(table);
        return slot->table;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
