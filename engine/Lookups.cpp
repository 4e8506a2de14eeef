// The definition lookups: host addresses, web addresses, mail senders, subjects and body phrases,
// each over one numbered list of the definition database, first hit in list order wins.
#include "engine/LSPGlobals.h"

#include "engine/DetectionRecord.h"
#include "engine/HostNameTable.h"
#include "engine/LoweredListCache.h"

#include <cstring>
#include <string_view>

namespace {

constexpr unsigned long kHostValueSize = 100; // host addresses: 99 characters
constexpr unsigned long kValueSize = 261;     // every other entry: 260 characters

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

void LowerInPlace(char* text) {
    for (; *text; ++text)
        *text = LowerAscii(*text);
}

// The lists are read entry by entry from index 1; the first absent or empty entry ends a list. A
// stored value whose first byte unscrambles to 0 (only a damaged database holds one) reads as an
// empty text, which every page contains: it ends the list too, rather than matching everything.
// Entries are compared lower-cased, so a list is read and lower-cased once per database version.

// Lookups whose given text is the haystack: the lower-cased entry must occur in it.
bool TextContainsEntry(const char* section, const char* prefix, const char* text, char* matched) {
    if (!text)
        return false;
    auto list = CurrentLoweredList(section, prefix, kValueSize);
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

// Lookups whose address is the needle: it must occur in an entry.
bool EntryContainsText(const char* section, const char* prefix, const char* text) {
    auto list = CurrentLoweredList(section, prefix, kValueSize);
    if (!list)
        return false;
    for (const std::string& entry : list->entries) {
        if (std::strstr(entry.c_str(), text))
            return true;
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
        lowered[i] = LowerAscii(host[i]);
    auto list = CurrentLoweredList(szHostIPSec, "IP", kHostValueSize);
    return list && list->exact.count(std::string_view(lowered, length)) != 0;
}

bool CLSPGlobals::IsBadUrl(char* url) {
    if (!url)
        return false;
    LowerInPlace(url);
    return EntryContainsText(szHostLinkSec, "HLINK", url) ||
           EntryContainsText(szUrlSec, "CLINK", url);
}

bool CLSPGlobals::IsBadMailFrom(const char* from) {
    return TextContainsEntry(szFromSec, "FROM", from, nullptr);
}

bool CLSPGlobals::IsBadMailSubject(const char* subject) {
    return TextContainsEntry(szSubjectSec, "SUB", subject, nullptr);
}

bool CLSPGlobals::IsBadMailText(const char* text, char* matched) {
    return TextContainsEntry(szTextSec, "TXT", text, matched);
}

bool CLSPGlobals::IsBadHostName(const char* name) {
    if (!name)
        return false;
    std::size_t length = strnlen(name, kMaxHostNameLength + 2);
    if (length > 0 && name[length - 1] == '.')
        --length; // a fully qualified "evil.example." is the same host
    if (length == 0 || length > kMaxHostNameLength)
        return false;
    char lowered[kMaxHostNameLength];
    for (std::size_t i = 0; i < length; ++i) {
        char c = LowerAscii(name[i]);
        if (c != '.' && !IsHostLabelCharacter(c))
            return false;
        lowered[i] = c;
    }
    auto table = CurrentHostNameTable();
    return table && table->Lists(std::string_view(lowered, length));
}
