// The stored form of language pack texts and keys.
#include "core/settings/PackFormat.h"

#include "core/TextUtil.h"

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
    std::string text =
        (!stored.empty() && stored[0] == '*') ? ReverseText(stored.substr(1)) : std::string(stored);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == 'n' || text[i + 1] == 't')) {
            out += text[i + 1] == 'n' ? '\n' : '\t';
            ++i;
            continue;
        }
        out += text[i];
    }
    return out;
}

bool EncodePackValue(std::string_view text, std::string& stored) {
    if (!text.empty() && (text[0] == ' ' || text[0] == '\t' || text[0] == '\v'))
        return false;
    std::string escaped;
    for (char c : text) {
        if (c == '\r' || c == '\0')
            return false;
        if (c == '\n')
            escaped += "\\n";
        else if (c == '\t')
            escaped += "\\t";
        else
            escaped += c;
    }
    stored = '*' + ReverseText(escaped);
    return true;
}
