// EntryList: the ordered, repeat-free list of imported texts.
#include "tools/hkwdefs/feeds/EntryList.h"

#include "engine/WebAddress.h"

#include <cassert>

namespace hookwise::tools {

std::uint64_t EntryList::HashOf(std::string_view text) {
    // The fingerprint the engine files web entries under: host and path fed as one run of bytes.
    return WebEntryKey(text, {});
}

std::size_t EntryList::Find(std::string_view text, std::uint64_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const std::uint32_t entry = slots_[slot];
        if (entry == 0)
            return slot;
        const Span& span = spans_[entry - 1];
        if (span.hash == hash && At(entry - 1) == text)
            return slot;
    }
}

void EntryList::Grow() {
    const std::size_t size = slots_.empty() ? 1024 : slots_.size() * 2;
    slots_.assign(size, 0);
    const std::size_t mask = size - 1;
    for (std::size_t i = 0; i < spans_.size(); ++i) {
        std::size_t slot = spans_[i].hash & mask;
        while (slots_[slot] != 0)
            slot = (slot + 1) & mask;
        slots_[slot] = static_cast<std::uint32_t>(i + 1);
    }
}

bool EntryList::Add(std::string_view text) {
    // At most half full, so every probe ends at an empty slot soon.
    if ((spans_.size() + 1) * 2 > slots_.size())
        Grow();
    const std::uint64_t hash = HashOf(text);
    const std::size_t slot = Find(text, hash);
    if (slots_[slot] != 0)
        return false;
    assert(spans_.size() < UINT32_MAX && "more entries than a slot can number");
    spans_.push_back({bytes_.size(), text.size(), hash});
    bytes_.append(text);
    slots_[slot] = static_cast<std::uint32_t>(spans_.size());
    return true;
}

bool EntryList::Contains(std::string_view text) const {
    if (slots_.empty())
        return false;
    return slots_[Find(text, HashOf(text))] != 0;
}

} // namespace hookwise::tools
