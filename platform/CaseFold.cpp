// The Unicode case fold with ICU's UTF-8 case mapping, and a plain ASCII path for the common case.
#include "platform/CaseFold.h"

#include "platform/AsciiCase.h"

#include <unicode/casemap.h>
#include <unicode/uchar.h>

#include <climits>

namespace hookwise::platform {

bool IsAsciiText(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

std::string FoldCase(std::string_view text) {
    if (!IsAsciiText(text) && text.size() <= INT_MAX / 4) {
        // A fold rarely grows a text (ß gives ss, some Greek letters three); when it does, ICU
        // says how long the result is. ICU copies ill-formed sequences unchanged.
        std::string folded(text.size() + 16, '\0');
        for (int attempt = 0; attempt < 2; ++attempt) {
            UErrorCode status = U_ZERO_ERROR;
            const int32_t needed = icu::CaseMap::utf8Fold(
                U_FOLD_CASE_DEFAULT, text.data(), static_cast<int32_t>(text.size()), folded.data(),
                static_cast<int32_t>(folded.size()), nullptr, status);
            if (status == U_BUFFER_OVERFLOW_ERROR && needed > 0) {
                folded.resize(static_cast<std::size_t>(needed));
                continue;
            }
            if (U_FAILURE(status))
                break;
            folded.resize(static_cast<std::size_t>(needed));
            return folded;
        }
    }
    // ASCII texts, and the rare text ICU cannot fold, fold their ASCII letters.
    return AsciiLowered(text);
}

} // namespace hookwise::platform
