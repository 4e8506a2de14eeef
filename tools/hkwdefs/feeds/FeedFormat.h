// FeedFormat: the published formats of the public phishing feeds that hkwdefs import reads, their
// command-line names, and telling the format of a feed from its first lines.
#pragma once

#include <string>
#include <string_view>

namespace hookwise::tools {

enum class FeedFormat {
    Auto,          // tell the format from the content
    PhishTankCsv,  // header "phish_id,url,phish_detail_url,...", one submission a line
    PhishTankJson, // an array of objects, each with a "url" member
    OpenPhish,     // one URL a line
    UrlhausCsv,    // '#' comment lines, then quoted fields "id","dateadded","url",...
    Hosts,         // "0.0.0.0 host", "127.0.0.1 host", "::1 host"; '#' comments
    Domains,       // one host a line; '#' comments
    Adblock,       // "||host^", "||host/path^$options"; '!' comments
    Senders,       // one sender address or domain a line (never told from the content)
};

// The command-line name: "auto", "phishtank-csv", "phishtank-json", "openphish", "urlhaus-csv",
// "hosts", "domains", "adblock" or "senders".
std::string_view FeedFormatName(FeedFormat format);

// The format of a command-line name (exact spelling). False for any other name.
bool ParseFeedFormatName(std::string_view name, FeedFormat& format);

// "phishtank-csv, phishtank-json, ..." for messages.
std::string FeedFormatNames();

// Tells the format of a feed from its content: JSON starting with '[' or '{' is PhishTank's JSON
// (a first line "[Adblock ...]" is an Adblock list); a header "phish_id,url,..." is PhishTank's
// CSV; URLhaus's "abuse.ch URLhaus" comment, its header or its row layout is URLhaus's CSV; else
// the first lines decide by what most of them look like: hosts file lines, Adblock rules, URLs, or
// bare hosts. A senders list is never told, as it looks like a list of domains. Returns true with
// the format, or with FeedFormat::Auto when the feed holds no entries at all (only blanks and
// comments). False, with the reason in reason ("is compressed (gzip) ...", "is no feed format
// hkwdefs knows ..."), for a binary or compressed file and for text that is mostly none of these.
bool DetectFeedFormat(std::string_view bytes, FeedFormat& format, std::string& reason);

} // namespace hookwise::tools
