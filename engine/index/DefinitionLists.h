// The definition lists of a working copy, read as the engine's walk reads them: numbered keys
// from 1 up to the first absent or empty one, values cut to their buffer, unscrambled, cut at
// their first zero byte and lower-cased: in ASCII for the host address and HostLink lists, under
// the Unicode case fold (FoldedEntry) for the mail lists (Link, From, Subject, Text).
#pragma once

#include "engine/DefinitionIndexFormat.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct DefinitionLists {
    std::vector<std::string> lists[definition_index::kListCount];
    // The visible text of each Link entry, by the same number, as stored (not lower-cased); empty
    // when that key is absent or empty.
    std::vector<std::string> linkVisible;
    // The Link entries are web addresses too, which compare lower-cased in ASCII: by position in
    // lists[Link], that form of each entry that holds a byte above 0x7F (for the others it is the
    // folded entry itself).
    std::unordered_map<std::size_t, std::string> linkWebForms;
};

// Parses the working copy's bytes and reads every list from them.
DefinitionLists ReadDefinitionLists(std::string_view workingCopy);
