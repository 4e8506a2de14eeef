// The web-address keys of the HostLink and Link entries, for the lookups' walk when there is no
// index (the index holds the same keys): what an entry lists, and the table of one version of
// the two lists.
#pragma once

#include "engine/Export.h"
#include "engine/WellKnownSites.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_set>

// The keys of one entry into keys; their count. None when the entry names no web address; its
// host-plus-path key (the host alone for a whole host); and, for an entry listing a page on a
// host that is not a well-known site, that host's page-host key.
BAITLIB_API int EntryWebKeys(std::string_view entry, const WellKnownSites& sites,
                             std::uint64_t (&keys)[2]);

class WebKeyTable {
public:
    void Add(std::uint64_t key) { keys_.insert(key); }
    bool Has(std::uint64_t key) const { return keys_.count(key) != 0; }
    std::size_t Size() const { return keys_.size(); }

private:
    std::unordered_set<std::uint64_t> keys_;
};

// The well-known sites of this process (the shipped list and the user's additions, read once).
const WellKnownSites& ProcessWellKnownSites();

// The table of the HostLink ("HLINK") and Link ("CLINK") lists of the database version current
// now (CLSPGlobals::szDBPath); the next call after the file changed builds the new version's
// table. Null when memory ran out, which reads as an empty table. Safe on any number of threads.
std::shared_ptr<const WebKeyTable> CurrentWebKeyTable();
