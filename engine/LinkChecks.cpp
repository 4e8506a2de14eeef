// The link checks: a listed link pattern in a mail's HTML, alone or together with the visible text
// that the HTML shows right after it.
#include "engine/CurrentIndex.h"
#include "engine/DefinitionIndex.h"
#include "engine/DefinitionList.h"
#include "engine/DetectionRecord.h"
#include "engine/LSPGlobals.h"
#include "engine/LoweredListCache.h"
#include "platform/AsciiCase.h"
#include "platform/CaseFold.h"

#include <cstring>
#include <string_view>

using namespace hookwise::platform;

namespace {

constexpr unsigned long kValueSize = kFieldSize;
constexpr std::size_t kMaxVisibleText = 260;

// Equal ignoring case: _stricmp == 0 for ASCII texts, the Unicode case fold for any other.
bool EqualIgnoringCase(const char* a, const char* b) {
    const std::string_view left(a);
    const std::string_view right(b);
    if (IsAsciiText(left) && IsAsciiText(right))
        return EqualsIgnoreAsciiCase(left, right);
    return FoldCase(left) == FoldCase(right);
}

bool IsNullSlot(const char* entry) {
    return EqualsIgnoreAsciiCase(entry, "null");
}

// The pattern of a CLINK entry as the lookups compare it (FoldedEntry), in pattern.
void FoldPattern(char (&pattern)[kValueSize]) {
    if (IsAsciiText(pattern)) {
        AsciiLowerInPlace(pattern);
        return;
    }
    CopyField(pattern, FoldedEntry(pattern).c_str());
}

// Reads entry index of a list into value. False at the end of the list: the key is absent or
// empty. A value that unscrambles to an empty text counts as empty too, since an empty pattern
// would occur in every page.
bool ReadEntry(const DefinitionList& list, unsigned long index, char* value) {
    return list.Read(index, value) != 0 && value[0] != '\0';
}

// The text that the HTML shows after the first '>' at or after from: up to the next '<', or to
// the end of the HTML when none follows, at most 260 characters. False when no '>' follows.
bool VisibleTextAfter(const char* from, char (&visible)[kValueSize]) {
    const char* open = std::strchr(from, '>');
    if (!open)
        return false;
    const char* text = open + 1;
    std::size_t n = 0;
    while (n < kMaxVisibleText && text[n] != '\0' && text[n] != '<')
        ++n;
    std::memcpy(visible, text, n);
    visible[n] = '\0';
    return true;
}

// Copies an entry of the index into a 261-byte buffer, terminated.
void CopyEntry(std::string_view entry, char (&out)[kValueSize]) {
    std::size_t n = entry.size() < kValueSize - 1 ? entry.size() : kValueSize - 1;
    std::memcpy(out, entry.data(), n);
    out[n] = '\0';
}

// The visible-link check over the entries of the index, in list order as the walk below: the
// index spares the reading of the database, not the search per pattern. -1 when the index is
// damaged.
int IndexedVisibleLinks(const DefinitionIndexView& index, const char* html, char* visibleText,
                        char* linkPattern) {
    const std::uint32_t count = index.EntryCount(definition_index::Link);
    char pattern[kValueSize];
    char expected[kValueSize];
    for (std::uint32_t number = 1; number <= count; ++number) {
        std::string_view entry;
        std::string_view visibleEntry;
        if (!index.Entry(definition_index::Link, number, entry) ||
            !index.VisibleText(number, visibleEntry) || entry.empty())
            return -1;
        if (visibleEntry.empty())
            continue; // a pattern without a visible text never matches here
        CopyEntry(entry, pattern);
        const char* occurrence = std::strstr(html, pattern);
        if (!occurrence || IsNullSlot(pattern))
            continue;
        char visible[kValueSize];
        if (!VisibleTextAfter(occurrence, visible))
            continue;
        CopyEntry(visibleEntry, expected);
        if (!EqualIgnoringCase(visible, expected))
            continue;
        CopyField(linkPattern, kValueSize, pattern);
        CopyField(visibleText, kValueSize, expected);
        return 1;
    }
    return 0;
}

} // namespace

bool CLSPGlobals::IsBadVisibleMailLinks(const char* html, char* visibleText, char* linkPattern) {
    if (!html || !visibleText || !linkPattern)
        return false;
    {
        IndexLease lease;
        if (const DefinitionIndexView* index = lease.View()) {
            int answer = IndexedVisibleLinks(*index, html, visibleText, linkPattern);
            if (answer >= 0)
                return answer == 1;
            lease.ReportDamage();
        }
    }
    DefinitionList patterns(szUrlSec, "CLINK", kValueSize);
    DefinitionList visibles(szUrlSec, "VLINK", kValueSize);
    char pattern[kValueSize];
    for (unsigned long index = 1; ReadEntry(patterns, index, pattern); ++index) {
        FoldPattern(pattern);
        // Only the first occurrence of a pattern is examined; the search for '>' starts at the
        // pattern itself, so a '>' inside the pattern counts.
        const char* occurrence = std::strstr(html, pattern);
        if (!occurrence || IsNullSlot(pattern))
            continue;
        char visible[kValueSize];
        if (!VisibleTextAfter(occurrence, visible))
            continue;
        char expected[kValueSize];
        if (!ReadEntry(visibles, index, expected))
            continue;
        if (!EqualIgnoringCase(visible, expected))
            continue;
        CopyField(linkPattern, kValueSize, pattern);
        CopyField(visibleText, kValueSize, expected);
        return true;
    }
    return false;
}

bool CLSPGlobals::IsBadMailLinks(const char* html, char* linkPattern) {
    if (!html || !linkPattern)
        return false;
    {
        IndexLease lease;
        if (const DefinitionIndexView* index = lease.View()) {
            std::uint32_t number = 0;
            std::string_view entry;
            DefinitionIndexView::Answer answer =
                index->FirstEntryIn(definition_index::LinkAutomaton, html, number);
            if (answer == DefinitionIndexView::Miss)
                return false;
            if (answer == DefinitionIndexView::Hit &&
                index->Entry(definition_index::Link, number, entry)) {
                char pattern[kValueSize];
                CopyEntry(entry, pattern);
                CopyField(linkPattern, kValueSize, pattern);
                return true;
            }
            lease.ReportDamage();
        }
    }
    DefinitionList patterns(szUrlSec, "CLINK", kValueSize);
    char pattern[kValueSize];
    for (unsigned long index = 1; ReadEntry(patterns, index, pattern); ++index) {
        FoldPattern(pattern);
        if (IsNullSlot(pattern) || !std::strstr(html, pattern))
            continue;
        CopyField(linkPattern, kValueSize, pattern);
        return true;
    }
    return false;
}
