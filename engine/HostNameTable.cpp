// EntryHost, the suffix walk and the cache of one table per version of the two lists.
#include "engine/HostNameTable.h"
#include "platform/FixedField.h"

#include "engine/LSPGlobals.h"
#include "engine/LoweredListCache.h"

#include <mutex>
#include <new>

#include <pthread.h>

namespace {

constexpr unsigned long kValueSize = kFieldSize;

bool EndsHost(char c) {
    return c == '/' || c == ':' || c == '?' || c == '#' || c == '"' || c == '\'' || c == ' ' ||
           c == '\t' || c == '>' || c == '\\';
}

// At least two labels, none empty, only host characters.
bool IsListableHost(std::string_view host) {
    if (host.empty() || host.size() > kMaxHostNameLength)
        return false;
    std::size_t labels = 1;
    char previous = '.';
    for (char c : host) {
        if (c == '.') {
            if (previous == '.')
                return false;
            ++labels;
        } else if (!IsHostLabelCharacter(c)) {
            return false;
        }
        previous = c;
    }
    return previous != '.' && labels >= 2;
}

struct TableSlot {
    std::shared_ptr<const LoweredList> hostLinks;
    std::shared_ptr<const LoweredList> links;
    std::shared_ptr<const HostNameTable> table;
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

void AddHosts(HostNameTable& table, const LoweredList* list) {
    if (!list)
        return;
    for (const std::string& entry : list->entries) {
        std::string host = EntryHost(entry);
        if (!host.empty())
            table.Add(std::move(host));
    }
}

} // namespace

std::string EntryHost(std::string_view entry) {
    std::size_t scheme = entry.find("://");
    if (scheme != std::string_view::npos)
        entry.remove_prefix(scheme + 3);
    std::size_t end = 0;
    while (end < entry.size() && !EndsHost(entry[end]))
        ++end;
    entry = entry.substr(0, end);
    std::size_t at = entry.rfind('@');
    if (at != std::string_view::npos)
        entry.remove_prefix(at + 1);
    if (!entry.empty() && entry.back() == '.')
        entry.remove_suffix(1);
    std::string host(entry);
    for (char& c : host) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + ('a' - 'A'));
    }
    return IsListableHost(host) ? host : std::string();
}

bool HostNameTable::Lists(std::string_view name) const {
    if (hosts_.empty())
        return false;
    // The name itself, then every suffix that follows one of its dots.
    for (;;) {
        if (hosts_.find(name) != hosts_.end())
            return true;
        std::size_t dot = name.find('.');
        if (dot == std::string_view::npos)
            return false;
        name.remove_prefix(dot + 1);
    }
}

std::shared_ptr<const HostNameTable> CurrentHostNameTable() {
    try {
        auto hostLinks = CurrentLoweredList(CLSPGlobals::szHostLinkSec, "HLINK", kValueSize);
        auto links = CurrentLoweredList(CLSPGlobals::szUrlSec, "CLINK", kValueSize);
        std::lock_guard lock(tableLock);
        if (!slot)
            slot = new TableSlot;
        if (slot->table && slot->hostLinks == hostLinks && slot->links == links)
            return slot->table;
        auto table = std::make_shared<HostNameTable>();
        AddHosts(*table, hostLinks.get());
        AddHosts(*table, links.get());
        slot->hostLinks = std::move(hostLinks);
        slot->links = std::move(links);
        slot->table = std::move(table);
        return slot->table;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
