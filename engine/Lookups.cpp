// The definition lookups: host addresses, web addresses, mail senders, subjects and body phrases,
// each over one numbered list of the definition database, first hit in list order wins.
#include "engine/CurrentIndex.h"
#include "engine/DefinitionIndex.h"
#include "engine/DetectionRecord.h"
#include "engine/LSPGlobals.h"
#include "engine/LoweredListCache.h"
#include "engine/WebAddress.h"
#include "engine/WebKeyTable.h"
#include "platform/AsciiCase.h"

#include <cstring>
#include <string_view>

using namespace hookwise::platform;

namespace {

constexpr unsigned long kHostValueSize = 100;    // host addresses: 99 characters
constexpr unsigned long kValueSize = kFieldSize; // every other entry: 260 characters

// The lists are read entry by entry from index 1; the first absent or empty entry ends a list. A
// stored value whose first byte unscrambles to 0 (only a damaged database holds one) reads as an
// empty text, which every page contains: it ends the list too, rather than matching everything.
// Entries are compared lower-cased (the mail lists under the Unicode case fold, as the page
// inspector folds the page), so a list is read and lower-cased once per database version.

using definition_index::Automaton;
using definition_index::List;

// Every lookup asks the compiled index of the working copy first and walks the lists only when
// there is none (or it turns out damaged); both give the same answers. Index answers: Hit, Miss,
// or -1 to walk.
template <typename Ask> int AskIndex(Ask ask) {
    IndexLease lease;
    const DefinitionIndexView* index = lease.View();
    if (!index)
        return -1;
    DefinitionIndexView::Answer answer = ask(*index);
    if (answer == DefinitionIndexView::Damaged) {
        lease.ReportDamage();
        return -1;
    }
    return answer == DefinitionIndexView::Hit ? 1 : 0;
}

// The first entry of the automaton's list in text, from the index; copied into matched (when
// given, 261 bytes) on a hit.
DefinitionIndexView::Answer FirstIndexedEntry(const DefinitionIndexView& index, Automaton automaton,
                                              List list, const char* text, char* matched) {
    std::uint32_t number = 0;
    DefinitionIndexView::Answer answer = index.FirstEntryIn(automaton, text, number);
    if (answer != DefinitionIndexView::Hit || !matched)
        return answer;
    std::string_view entry;
    if (!index.Entry(list, number, entry))
        return DefinitionIndexView::Damaged;
    std::size_t n = entry.size() < kValueSize - 1 ? entry.size() : kValueSize - 1;
    std::memcpy(matched, entry.data(), n);
    matched[n] = '\0';
    return answer;
}

// Lookups whose given text is the haystack: the folded entry must occur in it.
bool TextContainsEntry(Automaton automaton, List indexList, const char* section, const char* prefix,
                       const char* text, char* matched) {
    if (!text)
        return false;
    int indexed = AskIndex([&](const DefinitionIndexView& index) {
        return FirstIndexedEntry(index, automaton, indexList, text, matched);
    });
    if (indexed >= 0)
        return indexed == 1;
    auto list = CurrentLoweredList(section, prefix, kValueSize, EntryCase::Unicode);
    if (!list)
        return false;
    for (const std::string& entry : list->entries) {
        if (std::strstr(text, entry.c_str())) {
            if (matched)
                CopyField(matched, kValueSize, entry.c_str());
            return true;
        }
    }
    return false;
}

} // namespace

bool CLSPGlobals::IsBadIP(const char* host) {
    if (!host)
        return false;
    // Equal ignoring ASCII case (_stricmp == 0): the host lower-cased must be a listed entry. The
    // entries hold at most 99 characters, so a longer host is never listed.
    char lowered[kHostValueSize];
    std::size_t length = strnlen(host, kHostValueSize);
    if (length == 0 || length >= kHostValueSize)
        return false;
    for (std::size_t i = 0; i < length; ++i)
        lowered[i] = AsciiLower(host[i]);
    std::string_view key(lowered, length);
    int indexed = AskIndex([&](const DefinitionIndexView& index) { return index.HasIp(key); });
    if (indexed >= 0)
        return indexed == 1;
    auto list = CurrentLoweredList(szHostIPSec, "IP", kHostValueSize);
    return list && list->exact.count(key) != 0;
}

// A web address is listed when an entry's host is its host or a parent of it and the entry's path
// is empty, its path, or a leading part of its path that ends at a '/': "evil.example" lists every
// page of that host and its subdomains, "evil.example/a/b" lists /a/b and the pages below it, and
// no entry lists an address merely because it occurs inside the entry's text (a brand name in a
// phishing address must not list the brand's own site).
bool CLSPGlobals::IsBadUrl(char* url) {
    if (!url)
        return false;
    AsciiLowerInPlace(url);
    WebAddressParts address;
    if (!ParseWebAddress(url, address))
        return false;
    int indexed = AskIndex(
        [&](const DefinitionIndexView& index) { return index.MatchesWebAddress(address); });
    if (indexed >= 0)
        return indexed == 1;
    auto table = CurrentWebKeyTable();
    return table && AnyWebKey(address, [&](std::uint64_t key) { return table->Has(key); });
}

bool CLSPGlobals::IsBadMailFrom(const char* from) {
    return TextContainsEntry(Automaton::FromAutomaton, List::From, szFromSec, "FROM", from,
                             nullptr);
}

bool CLSPGlobals::IsBadMailSubject(const char* subject) {
    return TextContainsEntry(Automaton::SubjectAutomaton, List::Subject, szSubjectSec, "SUB",
                             subject, nullptr);
}

bool CLSPGlobals::IsBadMailText(const char* text, char* matched) {
    return TextContainsEntry(Automaton::TextAutomaton, List::Text, szTextSec, "TXT", text, matched);
}

bool CLSPGlobals::IsBadHostName(const char* name) {
    if (!name)
        return false;
    std::size_t length = strnlen(name, kMaxWebHostLength + 2);
    if (length > 0 && name[length - 1] == '.')
        --length; // a fully qualified "evil.example." is the same host
    if (length == 0 || length > kMaxWebHostLength)
        return false;
    char lowered[kMaxWebHostLength];
    for (std::size_t i = 0; i < length; ++i) {
        char c = AsciiLower(name[i]);
        if (c != '.' && !IsWebHostCharacter(c))
            return false;
        lowered[i] = c;
    }
    std::string_view key(lowered, length);
    int indexed =
        AskIndex([&](const DefinitionIndexView& index) { return index.ListsHostName(key); });
    if (indexed >= 0)
        return indexed == 1;
    auto table = CurrentWebKeyTable();
    return table && AnyHostNameKey(key, [&](std::uint64_t k) { return table->Has(k); });
}
