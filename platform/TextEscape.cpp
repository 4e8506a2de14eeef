// The one-line form of a text that may hold line feeds and TABs.
#include "platform/TextEscape.h"

namespace hookwise::platform {

std::string EscapeTabsAndLineFeeds(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else
            out += c;
    }
    return out;
}

std::string UnescapeTabsAndLineFeeds(std::string_view text) {
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

} // namespace hookwise::platform
