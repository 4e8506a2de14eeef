// Comparing texts without regard to letter case in every script: the Unicode case fold of UTF-8
// texts (platform/CaseFold.h), as the lists and the alert log match their items.
#pragma once

#include "platform/CaseFold.h"

#include <string_view>

namespace hookwise::core {

// True when a and b fold to the same text.
bool EqualsFoldingCase(std::string_view a, std::string_view b);

} // namespace hookwise::core
