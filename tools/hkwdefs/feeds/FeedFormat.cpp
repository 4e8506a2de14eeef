// FeedFormat: format names and telling a feed's format from its first lines.
#include "tools/hkwdefs/feeds/FeedFormat.h"

#include "tools/hkwdefs/feeds/FeedText.h"
#include "engine/WebAddress.h"

#include <cstddef>

namespace hookwise::tools {

using namespace hookwise::platform;

namespace {

struct FormatName {
    std::string_view name;
    FeedFormat format;
};

constexpr FormatName kFormatNames[] = {
    {"auto", FeedFormat::Auto},
    {"phishtank-csv", FeedFormat::PhishTankCsv},
    {"phishtank-json", FeedFormat::PhishTankJson},
    {"openphish", FeedFormat::OpenPhish},
    {"urlhaus-csv", FeedFormat::UrlhausCsv},
    {"hosts", FeedFormat::Hosts},
    {"domains", FeedFormat::Domains},
    {"adblock", FeedFormat::Adblock},
    {"senders", FeedFormat::Senders},
};

// How much of a feed the detection looks at: enough lines to see past a hosts file's preamble.
constexpr std::size_t kSampleLines = 200;
constexpr std::size_t kSampleDataLines = 40;

// What one data line of a line-based feed looks like.
enum class LineShape { HostsLine, AdblockRule, Url, BareHost, Other };

bool IsAdblockRule(std::string_view line) {
    return line.substr(0, 2) == "||" || line.substr(0, 2) == "@@" ||
           line.find("##") != std::string_view::npos || line.find("#@#") != std::string_view::npos;
}

LineShape ShapeOf(std::string_view line) {
    if (IsAdblockRule(line))
        return LineShape::AdblockRule;
    std::string_view first = FirstWord(line);
    if (IsHostsAddress(first) && first.size() < line.size())
        return LineShape::HostsLine;
    WebAddressParts parts;
    if (line.find("://") != std::string_view::npos)
        return ParseWebAddress(first, parts) ? LineShape::Url : LineShape::Other;
    // A bare host: one word (a trailing comment aside) that reads as a host without a path.
    std::string_view rest = Trim(line.substr(first.size()), kFeedBlanks);
    if (!rest.empty() && rest.front() != '#')
        return LineShape::Other;
    std::size_t hash = first.find('#');
    first = first.substr(0, hash);
    if (first.substr(0, 2) == "*.")
        first.remove_prefix(2);
    // No '/', and no '@' or ',' that the address reading would pass over ("bob@example.com").
    if (first.find_first_of("/@,") == std::string_view::npos && ParseWebAddress(first, parts))
        return LineShape::BareHost;
    return LineShape::Other;
}

// A URLhaus row: "digits","date","...
bool LooksLikeUrlhausRow(std::string_view line) {
    if (line.size() < 4 || line.front() != '"')
        return false;
    std::size_t i = 1;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9')
        ++i;
    return i > 1 && line.substr(i, 3) == "\",\"";
}

bool IsUrlhausHeader(std::string_view line) {
    return StartsWithIgnoringCase(line, "id,dateadded,url");
}

// The kind of file a leading magic number shows, or "" for none.
std::string_view BinaryKind(std::string_view bytes) {
    if (bytes.substr(0, 2) == "\x1f\x8b")
        return "compressed (gzip)";
    if (bytes.substr(0, 3) == "BZh")
        return "compressed (bzip2)";
    if (bytes.substr(0, 6) == "\xFD"
                              "7zXZ\x00")
        return "compressed (xz)";
    if (bytes.substr(0, 4) == "PK\x03\x04")
        return "a zip archive";
    if (bytes.substr(0, 4) == "\x28\xB5\x2F\xFD")
        return "compressed (zstd)";
    if (bytes.substr(0, 4096).find('\0') != std::string_view::npos)
        return "binary";
    return {};
}

} // namespace

std::string_view FeedFormatName(FeedFormat format) {
    for (const FormatName& entry : kFormatNames) {
        if (entry.format == format)
            return entry.name;
    }
    return "auto";
}

bool ParseFeedFormatName(std::string_view name, FeedFormat& format) {
    for (const FormatName& entry : kFormatNames) {
        if (entry.name == name) {
            format = entry.format;
            return true;
        }
    }
    return false;
}

std::string FeedFormatNames() {
    std::string names;
    for (const FormatName& entry : kFormatNames) {
        if (!names.empty())
            names += ", ";
        names += entry.name;
    }
    return names;
}

bool DetectFeedFormat(std::string_view bytes, FeedFormat& format, std::string& reason) {
    if (std::string_view kind = BinaryKind(bytes); !kind.empty()) {
        reason = "is " + std::string(kind) +
                 (kind == "binary" ? ", not a feed" : "; unpack it and import the feed inside");
        return false;
    }
    FeedLines lines(bytes);
    std::string_view line;
    std::size_t counts[5] = {};
    std::size_t dataLines = 0;
    bool adblockComments = false;
    bool first = true;
    while (lines.Number() < kSampleLines && dataLines < kSampleDataLines && lines.Next(line)) {
        if (line.empty())
            continue;
        if (first && (line.front() == '[' || line.front() == '{')) {
            format = StartsWithIgnoringCase(line, "[adblock") ? FeedFormat::Adblock
                                                              : FeedFormat::PhishTankJson;
            return true;
        }
        if (line.front() == '#') {
            std::string_view comment = Trim(line.substr(1), kFeedBlanks);
            if (comment.find("abuse.ch URLhaus") != std::string_view::npos ||
                IsUrlhausHeader(comment)) {
                format = FeedFormat::UrlhausCsv;
                return true;
            }
            if (!IsAdblockRule(line))
                continue;
        }
        if (line.front() == '!') {
            adblockComments = true;
            continue;
        }
        if (first) {
            first = false;
            if (StartsWithIgnoringCase(line, "phish_id,")) {
                format = FeedFormat::PhishTankCsv;
                return true;
            }
            if (IsUrlhausHeader(line) || LooksLikeUrlhausRow(line)) {
                format = FeedFormat::UrlhausCsv;
                return true;
            }
        }
        ++counts[static_cast<int>(ShapeOf(line))];
        ++dataLines;
    }
    if (dataLines == 0) {
        format = adblockComments ? FeedFormat::Adblock : FeedFormat::Auto;
        return true;
    }
    const std::size_t hosts = counts[static_cast<int>(LineShape::HostsLine)];
    const std::size_t adblock = counts[static_cast<int>(LineShape::AdblockRule)];
    const std::size_t urls = counts[static_cast<int>(LineShape::Url)];
    const std::size_t bare = counts[static_cast<int>(LineShape::BareHost)];
    const std::size_t other = counts[static_cast<int>(LineShape::Other)];
    // Adblock lists mix in rule kinds of their own, so any "||" rule or "!" comment decides.
    if (adblock > 0 && (adblockComments || adblock * 4 >= dataLines)) {
        format = FeedFormat::Adblock;
        return true;
    }
    // Mostly unrecognised lines: a document, a log, a CSV of some other layout.
    if (other * 2 > dataLines) {
        reason = "is no feed format hkwdefs knows (not PhishTank CSV or JSON, OpenPhish, URLhaus "
                 "CSV, a hosts file, a domain list or Adblock rules); name it with --format";
        return false;
    }
    if (hosts >= urls && hosts >= bare && hosts > 0)
        format = FeedFormat::Hosts;
    else if (urls >= bare)
        format = FeedFormat::OpenPhish;
    else
        format = FeedFormat::Domains;
    return true;
}

} // namespace hookwise::tools
