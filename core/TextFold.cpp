// The Unicode case fold with ICU's UTF-8 case mapping, and a plain ASCII path for the common case.
#include "core/TextFold.h"

#include "core/TextUtil.h"

#include <unicode/uchar.h>
#include <unicode/ucasemap.h>

#include <climits>
#include <memory>

namespace {

bool IsAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

struct CaseMapCloser {
    void operator()(UCaseMap* map) const { ucasemap_close(map); }
};

// One case map per thread: a UCaseMap may not be shared between threads.
UCaseMap* ThreadCaseMap() {
    thread_local std::unique_ptr<UCaseMap, CaseMapCloser> map = [] {
        UErrorCode status = U_ZERO_ERROR;
        UCaseMap* opened = ucasemap_open(nullptr, U_FOLD_CASE_DEFAULT, &status);
        return std::unique_ptr<UCaseMap, CaseMapCloser>(U_SUCCESS(status) ? opened : nullptr);
    }();
    return map.get();
}

} // namespace

std::string FoldCase(std::string_view text) {
    UCaseMap* map = IsAscii(text) || text.size() > INT_MAX / 4 ? nullptr : ThreadCaseMap();
    if (map) {
        // A fold rarely grows a text; when it does, ICU says how long the result is.
        std::string folded(text.size() + 16, '\0');
        for (int attempt = 0; attempt < 2; ++attempt) {
            UErrorCode status = U_ZERO_ERROR;
            const int32_t needed =
                ucasemap_utf8FoldCase(map, folded.data(), static_cast<int32_t>(folded.size()),
                                      text.data(), static_cast<int32_t>(text.size()), &status);
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
    std::string folded(text);
    for (char& c : folded)
        c = LowerAscii(c);
    return folded;
}

bool EqualsFoldingCase(std::string_view a, std::string_view b) {
    if (IsAscii(a) && IsAscii(b))
        return EqualsIgnoreCase(a, b);
    return FoldCase(a) == FoldCase(b);
}
