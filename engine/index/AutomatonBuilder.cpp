// The automaton from the sorted patterns: the trie in one pass over them (a pattern shares with
// the one before it the prefix they have in common), renumbered breadth-first, then the failure
// states and the smallest list numbers level by level.
#include "engine/index/AutomatonBuilder.h"

#include "engine/DefinitionIndexFormat.h"

#include <algorithm>
#include <cassert>

namespace {

using definition_index::kNoEntry;

struct Trie {
    // Per node, in the order made (depth first): its byte and the smallest number ending there.
    std::vector<std::uint32_t> parent;
    std::vector<unsigned char> label;
    std::vector<std::uint32_t> own;
};

Trie BuildTrie(std::vector<AutomatonPattern>& patterns) {
    std::sort(patterns.begin(), patterns.end(),
              [](const AutomatonPattern& a, const AutomatonPattern& b) {
                  return a.text < b.text || (a.text == b.text && a.number < b.number);
              });
    Trie trie;
    trie.parent.push_back(0);
    trie.label.push_back(0);
    trie.own.push_back(kNoEntry);
    std::vector<std::uint32_t> path{0}; // the nodes of the previous pattern, root first
    std::string_view previous;
    for (const AutomatonPattern& pattern : patterns) {
        std::size_t common = 0;
        while (common < previous.size() && common < pattern.text.size() &&
               previous[common] == pattern.text[common])
            ++common;
        path.resize(common + 1);
        for (std::size_t i = common; i < pattern.text.size(); ++i) {
            trie.parent.push_back(path.back());
            trie.label.push_back(static_cast<unsigned char>(pattern.text[i]));
            trie.own.push_back(kNoEntry);
            path.push_back(static_cast<std::uint32_t>(trie.parent.size() - 1));
        }
        std::uint32_t& own = trie.own[path.back()];
        own = std::min(own, pattern.number);
        previous = pattern.text;
    }
    return trie;
}

// The edge of state for byte in the finished arrays, or kNoEntry.
std::uint32_t Next(const AutomatonArrays& a, std::uint32_t state, unsigned char byte) {
    auto first = a.edgeLabel.begin() + a.edgeStart[state];
    auto last = a.edgeLabel.begin() + a.edgeStart[state + 1];
    auto found = std::lower_bound(first, last, byte);
    if (found == last || *found != byte)
        return kNoEntry;
    return static_cast<std::uint32_t>(found - a.edgeLabel.begin()) + 1;
}

} // namespace

AutomatonArrays BuildAutomaton(std::vector<AutomatonPattern> patterns) {
    AutomatonArrays a;
    if (patterns.empty())
        return a;
    Trie trie = BuildTrie(patterns);
    const std::size_t n = trie.parent.size();

    // Children lists in the order made: sorted by byte, since the patterns are sorted.
    std::vector<std::uint32_t> childStart(n + 1, 0);
    for (std::size_t v = 1; v < n; ++v)
        ++childStart[trie.parent[v] + 1];
    for (std::size_t v = 0; v < n; ++v)
        childStart[v + 1] += childStart[v];
    std::vector<std::uint32_t> children(n > 0 ? n - 1 : 0);
    {
        std::vector<std::uint32_t> fill(childStart.begin(), childStart.end() - 1);
        for (std::size_t v = 1; v < n; ++v)
            children[fill[trie.parent[v]]++] = static_cast<std::uint32_t>(v);
    }

    // Breadth-first numbering.
    std::vector<std::uint32_t> order; // new number -> trie node
    order.reserve(n);
    std::vector<std::uint32_t> number(n, 0);
    order.push_back(0);
    for (std::size_t i = 0; i < order.size(); ++i) {
        std::uint32_t v = order[i];
        for (std::uint32_t c = childStart[v]; c < childStart[v + 1]; ++c) {
            number[children[c]] = static_cast<std::uint32_t>(order.size());
            order.push_back(children[c]);
        }
    }

    a.edgeStart.assign(n + 1, 0);
    a.edgeLabel.reserve(n - 1);
    for (std::size_t s = 0; s < n; ++s) {
        std::uint32_t v = order[s];
        a.edgeStart[s] = static_cast<std::uint32_t>(a.edgeLabel.size());
        for (std::uint32_t c = childStart[v]; c < childStart[v + 1]; ++c) {
            a.edgeLabel.push_back(trie.label[children[c]]);
            assert(number[children[c]] == a.edgeLabel.size() && "breadth-first edge order");
        }
    }
    a.edgeStart[n] = static_cast<std::uint32_t>(a.edgeLabel.size());

    a.rootNext.assign(256, 0);
    for (std::uint32_t e = a.edgeStart[0]; e < a.edgeStart[1]; ++e)
        a.rootNext[a.edgeLabel[e]] = e + 1;

    a.fail.assign(n, 0);
    a.minOut.assign(n, kNoEntry);
    a.minOut[0] = trie.own[0];
    for (std::size_t s = 0; s < n; ++s) {
        for (std::uint32_t e = a.edgeStart[s]; e < a.edgeStart[s + 1]; ++e) {
            const unsigned char byte = a.edgeLabel[e];
            const std::uint32_t child = e + 1;
            std::uint32_t f = 0;
            if (s != 0) {
                std::uint32_t state = a.fail[s];
                for (;;) {
                    std::uint32_t next = state == 0 ? a.rootNext[byte] : Next(a, state, byte);
                    if (next != kNoEntry && (state != 0 || next != 0)) {
                        f = next;
                        break;
                    }
                    if (state == 0)
                        break;
                    state = a.fail[state];
                }
            }
            a.fail[child] = f;
            // The failure state lies on a shorter level, already complete.
            a.minOut[child] = std::min(trie.own[order[child]], a.minOut[f]);
        }
    }
    return a;
}
