// IniText: the profile reader's line rules, used for the plain source and the deciphered database.
#include "tools/hkwdefs/IniText.h"

#include "platform/TextTrim.h"

namespace hookwise::tools {

using namespace hookwise::platform;

namespace {

bool IsLineBreak(char c) {
    return c == '\r' || c == '\n';
}

bool InMatchingQuotes(std::string_view value) {
    return value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
           value.front() == value.back();
}

IniLine ParseLine(std::string_view line, std::size_t number) {
    IniLine parsed;
    parsed.number = number;
    if (line.front() == ';') {
        parsed.kind = IniLine::Comment;
        parsed.value = std::string(line);
        return parsed;
    }
    if (line.front() == '[') {
        parsed.kind = IniLine::Section;
        std::string_view name = line.substr(1);
        const std::size_t close = name.find(']');
        parsed.closed = close != std::string_view::npos;
        if (parsed.closed)
            name = name.substr(0, close);
        parsed.name = std::string(Trim(name, kSpaceTabVt));
        return parsed;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        parsed.kind = IniLine::NoEquals;
        parsed.name = std::string(line);
        parsed.value = std::string(line);
        return parsed;
    }
    parsed.kind = IniLine::Entry;
    parsed.name = std::string(Trim(line.substr(0, equals), kSpaceTabVt));
    std::string_view value = Trim(line.substr(equals + 1), kSpaceTabVt);
    if (InMatchingQuotes(value))
        value = value.substr(1, value.size() - 2);
    parsed.value = std::string(value);
    return parsed;
}

} // namespace

bool IsIniBlank(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\v';
}

std::vector<IniLine> SplitIniLines(std::string_view text) {
    std::vector<IniLine> lines;
    std::size_t number = 1;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = pos;
        while (end < text.size() && !IsLineBreak(text[end]))
            ++end;
        std::string_view line = text.substr(pos, end - pos);
        line = Trim(line.substr(0, line.find('\0')), kSpaceTabVt); // a NUL ends the line's text
        if (!line.empty())
            lines.push_back(ParseLine(line, number));
        // Count the breaks that follow: CR LF is one line break, any other CR or LF one each.
        pos = end;
        while (pos < text.size() && IsLineBreak(text[pos])) {
            if (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n')
                ++pos;
            ++pos;
            ++number;
        }
    }
    return lines;
}

bool NeedsQuotes(std::string_view value) {
    if (value.empty())
        return false;
    return IsIniBlank(static_cast<unsigned char>(value.front())) ||
           IsIniBlank(static_cast<unsigned char>(value.back())) || InMatchingQuotes(value);
}

std::string FormatIniEntry(std::string_view name, std::string_view value) {
    std::string line(name);
    line += '=';
    if (NeedsQuotes(value)) {
        line += '"';
        line += value;
        line += '"';
    } else {
        line += value;
    }
    return line;
}

} // namespace hookwise::tools
