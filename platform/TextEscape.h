// The one-line form of a text that may hold line feeds and TABs: "\n" and "\t" written as a
// backslash and a letter, as language packs store their texts and their sources spell them.
#pragma once

#include <string>
#include <string_view>

namespace hookwise::platform {

// text with each line feed written as "\n" and each TAB as "\t"; every other byte as it is.
std::string EscapeTabsAndLineFeeds(std::string_view text);

// text with each "\n" and "\t" turned back into a line feed and a TAB. Any other backslash, and a
// backslash that ends the text, stands for itself.
std::string UnescapeTabsAndLineFeeds(std::string_view text);

} // namespace hookwise::platform
