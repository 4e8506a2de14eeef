// Comparing texts without regard to letter case in every script: the Unicode case fold of UTF-8
// texts, as the lists and the alert log match their items.
#pragma once

#include <string>
#include <string_view>

// The Unicode full case fold of a UTF-8 text ("ÉVIL" and "évil" both give "évil", "STRASSE" and
// "Straße" both "strasse"). Bytes that are not well-formed UTF-8 are kept as they are, so a text
// in another encoding still equals itself and only folds its ASCII letters.
std::string FoldCase(std::string_view text);

// True when a and b fold to the same text.
bool EqualsFoldingCase(std::string_view a, std::string_view b);
