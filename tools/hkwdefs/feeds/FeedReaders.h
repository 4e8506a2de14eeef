// FeedReaders: the readers of each feed format, which pick the entries out of a feed's lines or
// records and hand them on; what becomes of an entry is the sink's business.
#pragma once

#include "tools/hkwdefs/feeds/FeedFormat.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace hookwise::tools {

class FeedEntrySink {
public:
    virtual ~FeedEntrySink() = default;
    // A web address as the feed gives it (a URL, "host", "host/path"). False when it is no web
    // address (then counted as malformed).
    virtual bool Web(std::string_view text) = 0;
    // A sender address or domain. False when it cannot be one (counted as malformed).
    virtual bool Sender(std::string_view text) = 0;
    // An entry that could not be read at all (a broken CSV line, a record without a URL).
    virtual void Malformed() = 0;
    // An entry of a kind that cannot be a definition (an Adblock exception or element-hiding
    // rule, a hosts file's "localhost" line).
    virtual void Skipped() = 0;
    // The line of the malformed entry just counted, for messages.
    virtual void MalformedLine(std::size_t line) = 0;
    // How far into the feed's bytes reading has come; called every few thousand entries.
    virtual void Progress(std::size_t offset) = 0;
};

// Reads every entry of bytes as format (not Auto) into sink. A broken line or record is counted
// and reading goes on; only a JSON syntax error ends the reading early (nothing after it can be
// trusted), counted as one malformed entry and described in note. note is left empty otherwise.
void ReadFeedEntries(FeedFormat format, std::string_view bytes, FeedEntrySink& sink,
                     std::string& note);

} // namespace hookwise::tools
