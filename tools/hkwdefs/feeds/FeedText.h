// FeedText: the small pieces of text work that reading feeds and telling their format share:
// lines, blanks, CSV fields and the shape of a hosts file's address column.
#pragma once

#include "platform/TextTrim.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace hookwise::tools {

// A blank of a feed line: space, TAB, VT, FF, CR.
constexpr bool IsFeedBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r';
}

// The blanks trimmed around lines and fields (Trim of TextTrim.h).
inline constexpr std::string_view kFeedBlanks = " \t\v\f\r";

// The lines of a text: a line ends at LF (a CR before it is a blank and trimmed away) or at a lone
// CR. A UTF-8 byte order mark at the start is skipped. Allocates nothing.
class FeedLines {
public:
    explicit FeedLines(std::string_view text);
    // The next line, trimmed of blanks, with its 1-based number; false at the end of the text.
    bool Next(std::string_view& line);
    std::size_t Number() const { return number_; }
    // How far into the text the lines read so far reach.
    std::size_t Offset() const { return pos_; }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t number_ = 0;
};

// The field at index (from 0) of one CSV line: fields split at ',', a field in double quotes may
// hold ',' and "" for one '"'. The field's text goes to out (unquoted). False when the line has
// fewer fields, or when a quoted field is not closed or has text after its closing quote.
bool CsvField(std::string_view line, std::size_t index, std::string& out);

// The index of the field named name (ignoring ASCII case and blanks around names) in a CSV
// header line, or npos.
std::size_t CsvColumn(std::string_view header, std::string_view name);

// True when text starts with prefix, ignoring ASCII case.
bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix);

// The first blank-separated word of text (text trimmed first).
std::string_view FirstWord(std::string_view text);

// True when word is an address a hosts file blocks a name with: 0.0.0.0, 127.0.0.1 (any 127.x),
// "::", "::1" or "0:0:0:0:0:0:0:0".
bool IsBlockingHostsAddress(std::string_view word);

// True when word looks like the address column of a hosts file: an IPv4 address or an IPv6
// address (hex digits and ':', with an optional "%zone").
bool IsHostsAddress(std::string_view word);

} // namespace hookwise::tools
