// IniText: splits INI text into lines the way the profile reader sees them, and writes plain INI.
//
// The rules are the reader's: a line ends at CR, LF or any run of them; blanks (space, TAB, VT)
// are trimmed around lines, names and values; a line whose first character is ';' is a comment; a
// section header starts with '[' and its name ends at the first ']' (or the end of the line); a key
// line splits at its first '='; a value of at least 2 characters in matching ' or " quotes loses
// them; a NUL byte ends the text of the line it is in. Bytes are bytes: nothing is decoded.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace hookwise::tools {

struct IniLine {
    enum Kind { Comment, Section, Entry, NoEquals };
    Kind kind = Comment;
    std::size_t number = 0; // 1-based line number in the text
    std::string name;       // section name or key name, trimmed
    std::string value;      // Entry: trimmed, outer quotes removed; NoEquals: the whole line
    bool closed = true;     // Section: the header had its ']'
};

bool IsIniBlank(unsigned char c);

// The non-blank lines of text, in order. Blank lines are left out; comments are kept as Comment.
std::vector<IniLine> SplitIniLines(std::string_view text);

// True when the value cannot be written as it stands on a "KEY=value" line and read back by the
// rules above (it has blanks at its ends, or it is itself in matching quotes): such a value is
// written inside a pair of double quotes, which the reader removes.
bool NeedsQuotes(std::string_view value);

// "name=value" with the value quoted when NeedsQuotes says so.
std::string FormatIniEntry(std::string_view name, std::string_view value);

} // namespace hookwise::tools
