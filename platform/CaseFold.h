// Comparing texts without regard to letter case in every script: the Unicode full case fold of
// UTF-8 texts, as the lists, the alert log and the mail lookups match their texts.
#pragma once

#include <string>
#include <string_view>

namespace hookwise::platform {

// True when every byte of text is below 0x80.
bool IsAsciiText(std::string_view text);

// The Unicode full case fold of a UTF-8 text ("ÉVIL" and "évil" both give "évil", "STRASSE" and
// "Straße" both "strasse", a final sigma and a capital sigma both "σ"). Bytes that are not
// well-formed UTF-8 are kept as they are, so a text in another encoding still equals itself and
// only folds its ASCII letters. An ASCII text gives exactly its A-Z lowered, without ICU: the
// interception provider loads this into every program, which must not pay for the fold of texts
// that never need it.
std::string FoldCase(std::string_view text);

} // namespace hookwise::platform
