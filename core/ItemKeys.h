// Finding the numbered item subkeys ("MailSafeItem0", "MailSafeItem1", ...) that a stored count
// covers: the protection lists and the alert log store their items this way.
#pragma once

#include "platform/WinTypes.h"

#include <cstdint>
#include <functional>
#include <string>

namespace hookwise::core {

// Calls load with each existing subkey prefix + i (decimal, no leading zeros) of key for i < count,
// in ascending i, opened for reading. The work is bounded by the number of subkeys that really
// exist, so a damaged count (up to 2^32 - 1) cannot stall the load.
void ForEachItemKey(HKEY key, const std::string& prefix, std::uint32_t count,
                    const std::function<void(HKEY item)>& load);

} // namespace hookwise::core
