// Splitting a text into its lines, as the registry scripts, the provider catalog, language pack
// sources and environment files are read.
#pragma once

#include <string_view>
#include <vector>

namespace hookwise::platform {

// What becomes of the CR of a CR LF line end.
enum class LineEndCr { Drop, Keep };

// The lines of text, each without its LF (and, with LineEndCr::Drop, without the one CR before
// that LF or before the end of the text). A final LF does not start another line: "a\nb\n" and
// "a\nb" are both {"a", "b"}; an empty text has no lines. The views point into text.
std::vector<std::string_view> SplitLines(std::string_view text, LineEndCr cr = LineEndCr::Drop);

} // namespace hookwise::platform
