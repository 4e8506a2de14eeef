// SourceList: the sources an update fetches, one "FORMAT URL" a line, and where that list is
// found.
#pragma once

#include "tools/hkwdefs/DefinitionSet.h"
#include "tools/hkwdefs/feeds/FeedFormat.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace hookwise::tools {

// The format name of a signed definitions file in the shipped format.
inline constexpr std::string_view kSignedDefinitionsFormat = "hookwise";
inline constexpr char kSourceListFile[] = "sources.conf";

struct UpdateSource {
    std::string formatName;         // as written: "hookwise", "auto" or a feed format's name
    bool signedDefinitions = false; // "hookwise": a shipped-format file with URL + ".sig"
    FeedFormat format = FeedFormat::Auto;
    std::string url;
    std::size_t line = 0;
};

// Reads a source list: blank lines and lines whose first non-blank character is '#' are left
// out, and so is everything from a '#' that starts a word; every other line is FORMAT and URL,
// separated by blanks. FORMAT is "hookwise", "auto" or a name ParseFeedFormatName takes; URL must
// be https:// (a feed over plain HTTP could be changed on its way). Returns false and adds one
// message per fault ("line N: reason"); sources holds the good lines then. A list with no source
// at all is a fault too.
bool ParseSourceList(std::string_view text, std::vector<UpdateSource>& sources, Messages& errors);

// The source list to use: option when not empty; else the user's
// UserConfigFolder() + "/hookwise/sources.conf", else "/etc/hookwise/sources.conf", else
// programFolder + "/sources.conf", the first that exists (the last when none does).
std::string ChooseSourceList(const std::string& option, const std::string& programFolder);

} // namespace hookwise::tools
