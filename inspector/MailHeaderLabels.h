// The labels of the mail header lines in the languages web-mail clients show them in, and the
// search for one field's labels in a line of the lower-cased (case-folded) page text.
#pragma once

#include <cstddef>
#include <string_view>

enum class HeaderField : unsigned char { From, To, Subject, Date, Attachment, Copy };

// Where the first label of field occurs in line, searched in the order of the label table (each
// word with ':' right after it, then with " :"): the first label that occurs anywhere in the line
// wins, at its first occurrence. An occurrence that is only the end of a longer label of another
// field ("an:" in the Flemish "van:", From) does not count, so no language's label takes another
// language's field; one that ends a longer label of the same field ("an:" in "aan:") is found at
// the start of that label. npos when none occurs.
std::size_t FindHeaderLabel(std::string_view line, HeaderField field);
