// Building the multi-pattern automaton (Aho-Corasick) of one text lookup in the index's layout:
// states numbered breadth-first (a state's failure state always has a smaller number), the edges
// of each state sorted by their byte, and per state the smallest list number of a pattern that is
// a suffix of the text read so far, so one pass over a text finds the first entry in list order.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

struct AutomatonArrays {
    std::vector<std::uint32_t> rootNext;  // 256 entries
    std::vector<std::uint32_t> edgeStart; // states + 1
    std::vector<unsigned char> edgeLabel; // edge e leads to state e + 1
    std::vector<std::uint32_t> fail;
    std::vector<std::uint32_t> minOut;
};

struct AutomatonPattern {
    std::string_view text; // not empty
    std::uint32_t number;  // list number, from 1
};

// The automaton of patterns; no arrays at all (zero states) when there are none.
AutomatonArrays BuildAutomaton(std::vector<AutomatonPattern> patterns);
