// FeedText: lines, CSV fields and hosts file addresses.
#include "tools/hkwdefs/feeds/FeedText.h"

#include "platform/AsciiCase.h"

namespace hookwise::tools {

using namespace hookwise::platform;

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Four decimal parts of at most three digits each, none above 255.
bool IsIpv4(std::string_view word) {
    int parts = 0;
    std::size_t i = 0;
    while (i <= word.size()) {
        std::size_t start = i;
        unsigned value = 0;
        while (i < word.size() && IsDigit(word[i]) && i - start < 3)
            value = value * 10 + static_cast<unsigned>(word[i++] - '0');
        if (i == start || value > 255)
            return false;
        ++parts;
        if (i == word.size())
            return parts == 4;
        if (word[i] != '.')
            return false;
        ++i;
    }
    return false;
}

} // namespace

FeedLines::FeedLines(std::string_view text) : text_(text) {
    if (text_.substr(0, 3) == "\xEF\xBB\xBF")
        pos_ = 3;
}

bool FeedLines::Next(std::string_view& line) {
    if (pos_ >= text_.size())
        return false;
    std::size_t end = pos_;
    while (end < text_.size() && text_[end] != '\n' &&
           !(text_[end] == '\r' && (end + 1 == text_.size() || text_[end + 1] != '\n')))
        ++end;
    line = Trim(text_.substr(pos_, end - pos_), kFeedBlanks);
    pos_ = end < text_.size() ? end + 1 : end;
    ++number_;
    return true;
}

bool CsvField(std::string_view line, std::size_t index, std::string& out) {
    std::size_t field = 0;
    std::size_t i = 0;
    for (;;) {
        const bool wanted = field == index;
        if (wanted)
            out.clear();
        while (i < line.size() && IsFeedBlank(line[i]))
            ++i;
        if (i < line.size() && line[i] == '"') {
            ++i;
            for (;;) {
                if (i >= line.size())
                    return false; // the quote is never closed
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        if (wanted)
                            out += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                if (wanted)
                    out += line[i];
                ++i;
            }
            while (i < line.size() && IsFeedBlank(line[i]))
                ++i;
            if (i < line.size() && line[i] != ',')
                return false; // text after the closing quote
        } else {
            std::size_t start = i;
            while (i < line.size() && line[i] != ',')
                ++i;
            if (wanted)
                out.assign(Trim(line.substr(start, i - start), kFeedBlanks));
        }
        if (wanted)
            return true;
        if (i >= line.size())
            return false; // fewer fields
        ++i;              // the ','
        ++field;
    }
}

std::size_t CsvColumn(std::string_view header, std::string_view name) {
    std::string field;
    for (std::size_t index = 0; CsvField(header, index, field); ++index) {
        if (EqualsIgnoreAsciiCase(Trim(field, kFeedBlanks), name))
            return index;
    }
    return std::string_view::npos;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           EqualsIgnoreAsciiCase(text.substr(0, prefix.size()), prefix);
}

std::string_view FirstWord(std::string_view text) {
    text = Trim(text, kFeedBlanks);
    std::size_t end = 0;
    while (end < text.size() && !IsFeedBlank(text[end]))
        ++end;
    return text.substr(0, end);
}

bool IsBlockingHostsAddress(std::string_view word) {
    if (word == "0.0.0.0" || word == "::" || word == "::1" || word == "0:0:0:0:0:0:0:0")
        return true;
    return word.substr(0, 4) == "127." && IsIpv4(word);
}

bool IsHostsAddress(std::string_view word) {
    if (IsIpv4(word))
        return true;
    if (std::size_t zone = word.find('%'); zone != std::string_view::npos)
        word = word.substr(0, zone);
    if (word.size() < 2 || word.find(':') == std::string_view::npos)
        return false;
    for (char c : word) {
        if (c != ':' && c != '.' && !IsHexDigit(c))
            return false;
    }
    return true;
}

} // namespace hookwise::tools
