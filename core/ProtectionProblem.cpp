// Why protection is off.
#include "core/ProtectionProblem.h"

namespace hookwise::core {

std::string ProtectionProblemText(const std::string& channelProblem,
                                  const std::string& definitionsProblem) {
    if (channelProblem.empty() || definitionsProblem.empty())
        return channelProblem + definitionsProblem;
    return channelProblem + "\n\n" + definitionsProblem;
}

} // namespace hookwise::core
