// EntryList: texts kept in the order they were first added, each once, in one block of memory with
// an open-addressing table of their fingerprints, so that a million entries cost a few large
// allocations rather than a million small ones.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hookwise::tools {

class EntryList {
public:
    // Adds text unless an equal text is there already. True when it was added.
    bool Add(std::string_view text);
    bool Contains(std::string_view text) const;

    std::size_t Size() const { return spans_.size(); }
    std::string_view At(std::size_t index) const {
        return {bytes_.data() + spans_[index].offset, spans_[index].length};
    }

private:
    struct Span {
        std::size_t offset;
        std::size_t length;
        std::uint64_t hash;
    };
    static std::uint64_t HashOf(std::string_view text);
    // The slot that holds text, or the empty slot where it would go.
    std::size_t Find(std::string_view text, std::uint64_t hash) const;
    void Grow();

    std::string bytes_;
    std::vector<Span> spans_;
    std::vector<std::uint32_t> slots_; // index + 1 into spans_, 0 for an empty slot
};

} // namespace hookwise::tools
