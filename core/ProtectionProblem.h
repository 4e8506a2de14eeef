// Why protection is off although it is switched on, as the user is told it.
#pragma once

#include <string>

namespace hookwise::core {

// The channel's problem (detection reports cannot be received) and the definitions' problem (they
// deciphered into noise), one after the other with a blank line between; either alone when the
// other is empty; empty when protection works.
std::string ProtectionProblemText(const std::string& channelProblem,
                                  const std::string& definitionsProblem);

} // namespace hookwise::core
