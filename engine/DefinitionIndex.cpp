// Reading a compiled definition index: the header and section checks, the host address set, the
// web-address keys and the automaton scan for the text lookups.
#include "engine/DefinitionIndex.h"

#include <cstring>

using namespace definition_index;

namespace {

// The file holds at most this many of anything; keeps every product of counts and sizes far
// from overflowing 64 bits.
constexpr std::uint64_t kMaxBytes = std::uint64_t(1) << 40;

bool FitsInside(const SectionRef& section, std::uint64_t fileSize) {
    return section.offset % 8 == 0 && section.offset <= fileSize && section.size <= kMaxBytes &&
           section.size <= fileSize - section.offset;
}

// The size of one element of a section, so that a section holds a whole number of them.
std::uint64_t ElementSize(std::uint32_t section) {
    if (section == Pool)
        return 1;
    if ((section >= EntriesFirst && section < EntriesFirst + kListCount) || section == LinkVisible)
        return sizeof(EntryRef);
    if (section == WebKeys)
        return sizeof(std::uint64_t);
    if (section >= AutomataFirst && section < kSectionCount &&
        (section - AutomataFirst) % kAutomatonPartCount == EdgeLabel)
        return 1;
    return sizeof(std::uint32_t);
}

} // namespace

bool DefinitionIndexView::Open(const void* data, std::size_t size, DefinitionIndexView& view) {
    if (!data || size < sizeof(Header))
        return false;
    // The mapping is page-aligned; a buffer given by a test or the fuzzer may not be.
    if (reinterpret_cast<std::uintptr_t>(data) % alignof(std::uint64_t) != 0)
        return false;
    const auto* header = static_cast<const Header*>(data);
    if (std::memcmp(header->magic, kMagic, sizeof kMagic) != 0 ||
        header->formatVersion != kFormatVersion || header->headerSize != sizeof(Header) ||
        header->sectionCount != kSectionCount || header->fileSize != size ||
        header->headerChecksum != HeaderChecksum(*header))
        return false;
    for (std::uint32_t s = 0; s < kSectionCount; ++s) {
        const SectionRef& section = header->sections[s];
        if (!FitsInside(section, size) || section.size % ElementSize(s) != 0)
            return false;
        if (section.size != 0 && section.offset < sizeof(Header))
            return false;
    }
    // At least one empty slot, so that a probe for a missing key ends.
    const std::uint64_t slots = header->sections[WebKeys].size / sizeof(std::uint64_t);
    if (header->webKeyCount > slots || (slots != 0 && header->webKeyCount == slots))
        return false;
    view.base_ = static_cast<const unsigned char*>(data);
    view.size_ = size;
    view.header_ = header;
    return true;
}

template <typename T>
DefinitionIndexView::Array<T> DefinitionIndexView::Part(std::uint32_t s) const {
    Array<T> array;
    if (!header_ || s >= kSectionCount)
        return array;
    const SectionRef& section = header_->sections[s];
    array.data = reinterpret_cast<const T*>(base_ + section.offset);
    array.count = section.size / sizeof(T);
    return array;
}

bool DefinitionIndexView::Text(const EntryRef* table, std::uint64_t count, std::uint64_t index,
                               std::string_view& text) const {
    if (index >= count)
        return false;
    const EntryRef& ref = table[index];
    const SectionRef& pool = header_->sections[Pool];
    if (ref.offset > pool.size || ref.length > pool.size - ref.offset ||
        ref.length > kMaxEntryLength)
        return false;
    text = std::string_view(reinterpret_cast<const char*>(base_ + pool.offset + ref.offset),
                            ref.length);
    return true;
}

std::uint32_t DefinitionIndexView::EntryCount(List list) const {
    if (list >= kListCount)
        return 0;
    std::uint64_t count = Part<EntryRef>(EntriesFirst + list).count;
    return count > 0xFFFFFFF0u ? 0 : static_cast<std::uint32_t>(count);
}

bool DefinitionIndexView::Entry(List list, std::uint32_t number, std::string_view& text) const {
    if (list >= kListCount || number == 0)
        return false;
    Array<EntryRef> entries = Part<EntryRef>(EntriesFirst + list);
    return Text(entries.data, entries.count, number - 1, text);
}

bool DefinitionIndexView::VisibleText(std::uint32_t number, std::string_view& text) const {
    if (number == 0)
        return false;
    Array<EntryRef> visible = Part<EntryRef>(LinkVisible);
    return Text(visible.data, visible.count, number - 1, text);
}

DefinitionIndexView::Answer DefinitionIndexView::InHashSet(std::uint32_t slotsSection,
                                                           std::uint32_t tableSection,
                                                           std::string_view key) const {
    Array<std::uint32_t> slots = Part<std::uint32_t>(slotsSection);
    Array<EntryRef> table = Part<EntryRef>(tableSection);
    if (slots.count == 0)
        return Miss;
    if ((slots.count & (slots.count - 1)) != 0)
        return Damaged; // the builder always makes a power of two
    const std::uint64_t mask = slots.count - 1;
    std::uint64_t slot = HashBytes(key.data(), key.size()) & mask;
    for (std::uint64_t probes = 0; probes < slots.count; ++probes, slot = (slot + 1) & mask) {
        std::uint32_t value = slots.data[slot];
        if (value == 0)
            return Miss;
        std::string_view text;
        if (!Text(table.data, table.count, value - 1u, text))
            return Damaged;
        if (text == key)
            return Hit;
    }
    return Miss; // a full table: every slot probed
}

DefinitionIndexView::Answer DefinitionIndexView::HasIp(std::string_view host) const {
    if (!header_)
        return Damaged;
    return InHashSet(IpSlots, EntriesFirst + Ip, host);
}

DefinitionIndexView::Answer DefinitionIndexView::HasWebKey(std::uint64_t key) const {
    Array<std::uint64_t> slots = Part<std::uint64_t>(WebKeys);
    if (slots.count == 0)
        return Miss;
    std::uint64_t slot = WebKeySlot(key, slots.count);
    // The table has an empty slot (checked at Open), so the walk ends; the bound is for a table
    // changed behind the mapping.
    for (std::uint64_t probes = 0; probes < slots.count; ++probes) {
        std::uint64_t value = slots.data[slot];
        if (value == 0)
            return Miss;
        if (value == key)
            return Hit;
        if (++slot == slots.count)
            slot = 0;
    }
    return Damaged;
}

// The keys of one lookup are gathered first and their slots fetched together, so that the cache
// misses of a large table overlap instead of following one another; then they are probed in order.
template <typename Keys>
DefinitionIndexView::Answer DefinitionIndexView::HasAnyWebKey(Keys&& keys) const {
    constexpr std::size_t kMaxGathered = 64;
    std::uint64_t gathered[kMaxGathered];
    std::size_t count = 0;
    bool overflow = false;
    keys([&](std::uint64_t key) {
        if (count == kMaxGathered) {
            overflow = true;
            return true;
        }
        gathered[count++] = key;
        return false;
    });
    Array<std::uint64_t> slots = Part<std::uint64_t>(WebKeys);
    if (slots.count == 0)
        return Miss;
    for (std::size_t i = 0; i < count; ++i)
        __builtin_prefetch(&slots.data[WebKeySlot(gathered[i], slots.count)]);
    for (std::size_t i = 0; i < count; ++i) {
        Answer answer = HasWebKey(gathered[i]);
        if (answer != Miss)
            return answer;
    }
    if (!overflow)
        return Miss;
    Answer answer = Miss; // a very long address: the rest of its keys one by one
    std::size_t seen = 0;
    keys([&](std::uint64_t key) {
        if (seen++ < kMaxGathered)
            return false;
        answer = HasWebKey(key);
        return answer != Miss;
    });
    return answer;
}

DefinitionIndexView::Answer
DefinitionIndexView::MatchesWebAddress(const WebAddressParts& address) const {
    if (!header_)
        return Damaged;
    return HasAnyWebKey([&](auto&& has) { return AnyWebKey(address, has); });
}

DefinitionIndexView::Answer DefinitionIndexView::ListsHostName(std::string_view name) const {
    if (!header_)
        return Damaged;
    return HasAnyWebKey([&](auto&& has) { return AnyHostNameKey(name, has); });
}

DefinitionIndexView::Answer DefinitionIndexView::FirstEntryIn(Automaton automaton, const char* text,
                                                              std::uint32_t& number) const {
    if (!header_ || automaton >= kAutomatonCount)
        return Damaged;
    Array<std::uint32_t> root = Part<std::uint32_t>(AutomatonSection(automaton, RootNext));
    Array<std::uint32_t> edgeStart = Part<std::uint32_t>(AutomatonSection(automaton, EdgeStart));
    Array<unsigned char> labels = Part<unsigned char>(AutomatonSection(automaton, EdgeLabel));
    Array<std::uint32_t> fail = Part<std::uint32_t>(AutomatonSection(automaton, Fail));
    Array<std::uint32_t> minOut = Part<std::uint32_t>(AutomatonSection(automaton, MinOut));
    const std::uint64_t states = fail.count;
    if (states == 0)
        return Miss; // no patterns
    if (root.count != 256 || edgeStart.count != states + 1 || minOut.count != states ||
        labels.count + 1 != states)
        return Damaged;

    // A valid automaton takes at most one failure step per byte read (each goes to a shorter
    // prefix, each byte lengthens it by one at most); a damaged one is caught by that budget.
    std::uint64_t budget = 0;
    std::uint32_t best = kNoEntry;
    std::uint32_t state = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        const unsigned char byte = *p;
        ++budget;
        for (;;) {
            if (state == 0) {
                state = root.data[byte];
                break;
            }
            std::uint32_t first = edgeStart.data[state];
            std::uint32_t last = edgeStart.data[state + 1];
            if (first > last || last > labels.count)
                return Damaged;
            // The edges of a state are sorted by their byte.
            while (first < last) {
                std::uint32_t middle = first + (last - first) / 2;
                if (labels.data[middle] < byte)
                    first = middle + 1;
                else
                    last = middle;
            }
            if (first < edgeStart.data[state + 1] && labels.data[first] == byte) {
                state = first + 1; // edge e leads to state e + 1
                break;
            }
            std::uint32_t next = fail.data[state];
            if (next >= state || budget == 0)
                return Damaged;
            --budget;
            state = next;
        }
        if (state >= states)
            return Damaged;
        if (minOut.data[state] < best) {
            best = minOut.data[state];
            if (best == 1)
                break; // nothing comes before the first entry
        }
    }
    if (best == kNoEntry)
        return Miss;
    if (best == 0)
        return Damaged;
    number = best;
    return Hit;
}
