// The definition lists of a working copy, read as the engine's walk reads them: numbered keys
// from 1 up to the first absent or empty one, values cut to their buffer, unscrambled, cut at
// their first zero byte and lower-cased in ASCII.
#pragma once

#include "engine/DefinitionIndexFormat.h"

#include <string>
#include <string_view>
#include <vector>

struct DefinitionLists {
    std::vector<std::string> lists[definition_index::kListCount];
    // The visible text of each Link entry, by the same number, as stored (not lower-cased); empty
    // when that key is absent or empty.
    std::vector<std::string> linkVisible;
};

// Parses the working copy's bytes and reads every list from them.
DefinitionLists ReadDefinitionLists(std::string_view workingCopy);
