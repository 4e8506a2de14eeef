// Fuzzes the web-address rule: the input is an entry and an address separated by the first
// newline. Both are read as web addresses (the parts must stay within their bounds, lower case,
// with no trailing '/'), and the keyed lookup (the entry's keys, the address's keys) must give
// the answer of a plain model of the rule: the entry's host is the address's host or a parent,
// and its path is empty, equal, or a leading part of the address's path ending at a '/'.
#include "engine/WebAddress.h"
#include "engine/WebKeyTable.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void CheckParts(const WebAddressParts& parts) {
    if (parts.hostLength == 0 || parts.hostLength > kMaxWebHostLength ||
        parts.pathLength > kMaxWebPathLength || parts.host[parts.hostLength] != '\0' ||
        parts.path[parts.pathLength] != '\0')
        std::abort();
    for (char c : parts.Host()) {
        if (c >= 'A' && c <= 'Z')
            std::abort();
    }
    if (parts.pathLength > 0 && (parts.path[0] != '/' || parts.path[parts.pathLength - 1] == '/'))
        std::abort();
}

bool ModelMatches(const WebAddressParts& entry, const WebAddressParts& address) {
    std::string_view host = address.Host(), parent = entry.Host();
    bool under = host == parent || (host.size() > parent.size() && host.ends_with(parent) &&
                                    host[host.size() - parent.size() - 1] == '.');
    if (!under)
        return false;
    std::string_view path = address.Path(), prefix = entry.Path();
    return prefix.empty() || path == prefix ||
           (path.size() > prefix.size() && path.starts_with(prefix) && path[prefix.size()] == '/');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::size_t newline = input.find('\n');
    std::string_view entryText = input.substr(0, newline);
    std::string_view addressText =
        newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);

    WebAddressParts entry, address;
    bool isEntry = ParseWebAddress(entryText, entry);
    bool isAddress = ParseWebAddress(addressText, address);
    if (isEntry)
        CheckParts(entry);
    if (isAddress)
        CheckParts(address);
    if (!isEntry || !isAddress)
        return 0;

    // Reading a normalised address again changes nothing.
    WebAddress again;
    std::string whole = std::string(address.Host()) + std::string(address.Path());
    if (!ParseWebAddress(whole, again) || again.path != address.Path())
        std::abort();

    WebKeyTable table;
    WellKnownSites none;
    std::uint64_t keys[2];
    int count = EntryWebKeys(entryText, none, keys);
    for (int i = 0; i < count; ++i)
        table.Add(keys[i]);
    bool keyed = AnyWebKey(address, [&](std::uint64_t key) { return table.Has(key); });
    if (keyed != ModelMatches(entry, address))
        std::abort();
    return 0;
}
