// The stored form of language pack texts and keys.
#include "core/settings/PackFormat.h"

#include "core/TextUtil.h"
#include "platform/TextEscape.h"

using namespace hookwise::platform;

namespace hookwise::core {

std::string ReverseText(std::string_view text) {
    return std::string(text.rbegin(), text.rend());
}

std::string TextKey(std::uint32_t id) {
    return RotatedKey(id);
}

std::string TopMenuKey(std::string_view text, int draw, int position) {
    return ReverseText(std::string(text) + std::to_string(draw) + std::to_string(position));
}

std::string DecodePackValue(std::string_view stored) {
    const std::string text =
        (!stored.empty() && stored[0] == '*') ? ReverseText(stored.substr(1)) : std::string(stored);
    return UnescapeTabsAndLineFeeds(text);
}

bool EncodePackValue(std::string_view text, std::string& stored) {
    if (!text.empty() && (text[0] == ' ' || text[0] == '\t' || text[0] == '\v'))
        return false;
    if (text.find_first_of(std::string_view("\r\0", 2)) != std::string_view::npos)
        return false;
    stored = '*' + ReverseText(EscapeTabsAndLineFeeds(text));
    return true;
}

} // namespace hookwise::core
