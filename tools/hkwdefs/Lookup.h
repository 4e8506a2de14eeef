// Lookup: runs one of the engine's definition lookups or link checks from the command line.
#pragma once

#include "tools/hkwdefs/TempFile.h"

#include <string>
#include <string_view>

namespace hookwise::tools {

enum class LookupKind { Ip, Url, Host, From, Subject, Text, Links, VisibleLinks };

// The kind named ip, url, host, from, subject, text, links or visible-links (exact spelling).
// False for any other name.
bool ParseLookupKind(std::string_view name, LookupKind& kind);

// The database the engine's lookups read, made ready for them. A shipped file (recognised by its
// plain date header) is deciphered as the program's start-up does into a temporary working copy
// that lives as long as this object; any other file is taken as a working copy where it lies.
class LookupDatabase {
public:
    // Opens path and points CLSPGlobals::szDBPath at the working copy. False, with the reason in
    // error, when the file is missing, unreadable or empty; when a shipped file's length is not a
    // multiple of 8 or it holds nothing after its header; when the path is too long for the
    // engine; and when no definition list of the database can be read from it (a damaged file, a
    // plain definitions source, or some other file).
    bool Open(const std::string& path, std::string& error);

private:
    TempFile deciphered_;
};

// Runs the lookup of kind on text against the database that CLSPGlobals::szDBPath names and gives
// the line to print (host is the server-name check): "miss", or "hit" followed, for text, by a
// blank and the matched entry, for links by a blank and the link pattern, for visible-links by a
// blank, the pattern, a blank and the visible text. The mail kinds (from, subject, text, links,
// visible-links) fold the case of text first (FoldCase), as the page inspector folds the page
// before it asks.
std::string RunLookup(LookupKind kind, std::string_view text);

} // namespace hookwise::tools
