// The definition lookups: host addresses, web addresses, mail senders, subjects and body phrases,
// each a walk over one numbered list of the definition database that stops at the first hit.
#include "engine/LSPGlobals.h"

#include "engine/DefinitionList.h"
#include "engine/DetectionRecord.h"

#include <cstring>

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

// _stricmp == 0 in the "C" locale: equal when equal after folding ASCII letters.
bool EqualIgnoringCase(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        if (LowerAscii(*a) != LowerAscii(*b))
            return false;
    }
    return *a == *b;
}

// Walks list section/prefix from index 1 and returns true at the first entry for which hit(entry)
// holds; entry is the value buffer, which hit may modify. The first absent or empty entry ends it.
// A stored value whose first byte unscrambles to 0 (only a damaged database holds one) reads as an
// empty text, which every page contains: it ends the list too, rather than matching everything.
template <typename Hit>
bool WalkList(const char* section, const char* prefix, unsigned long valueSize, char* entry,
              Hit hit) {
    DefinitionList list(section, prefix, valueSize);
    for (unsigned long index = 1; list.Read(index, entry) != 0 && entry[0] != '\0'; ++index) {
        if (hit(entry))
            return true;
    }
    return false;
}

// Lookups whose given text is the haystack: the lower-cased entry must occur in it.
bool TextContainsEntry(const char* section, const char* prefix, const char* text, char* matched) {
    if (!text)
        return false;
    char entry[kValueSize];
    bool found = WalkList(section, prefix, kValueSize, entry, [text](char* value) {
        LowerInPlace(value);
        return std::strstr(text, value) != nullptr;
    });
    if (found && matched)
        CopyField(matched, kValueSize, entry);
    return found;
}

} // namespace

bool CLSPGlobals::IsBadIP(const char* host) {
    if (!host)
        return false;
    char entry[kHostValueSize];
    return WalkList(szHostIPSec, "IP", kHostValueSize, entry,
                    [host](char* value) { return EqualIgnoringCase(host, value); });
}

bool CLSPGlobals::IsBadUrl(char* url) {
    if (!url)
        return false;
    LowerInPlace(url);
    // Here the entry is the haystack and the address the needle.
    auto entryContainsUrl = [url](char* value) {
        LowerInPlace(value);
        return std::strstr(value, url) != nullptr;
    };
    char entry[kValueSize];
    if (WalkList(szHostLinkSec, "HLINK", kValueSize, entry, entryContainsUrl))
        return true;
    return WalkList(szUrlSec, "CLINK", kValueSize, entry, entryContainsUrl);
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
