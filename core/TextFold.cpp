// Equality under the Unicode case fold, with a plain ASCII path for the common case.
#include "core/TextFold.h"

#include "platform/AsciiCase.h"

using namespace hookwise::platform;

namespace hookwise::core {

bool EqualsFoldingCase(std::string_view a, std::string_view b) {
    if (IsAsciiText(a) && IsAsciiText(b))
        return EqualsIgnoreAsciiCase(a, b);
    return FoldCase(a) == FoldCase(b);
}

} // namespace hookwise::core
