// Trimming a text by a set of characters.
#include "platform/TextTrim.h"

namespace hookwise::platform {

std::string_view TrimFront(std::string_view text, std::string_view blanks) {
    const std::size_t first = text.find_first_not_of(blanks);
    // All blank: the empty end of text, so a caller may still take offsets from data().
    return text.substr(first == std::string_view::npos ? text.size() : first);
}

std::string_view TrimBack(std::string_view text, std::string_view blanks) {
    const std::size_t last = text.find_last_not_of(blanks);
    return text.substr(0, last == std::string_view::npos ? 0 : last + 1);
}

std::string_view Trim(std::string_view text, std::string_view blanks) {
    return TrimBack(TrimFront(text, blanks), blanks);
}

} // namespace hookwise::platform
