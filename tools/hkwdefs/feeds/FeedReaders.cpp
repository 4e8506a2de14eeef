// FeedReaders: one reader per feed format.
//
// Sections: CSV feeds (PhishTank, URLhaus) - one-entry-a-line feeds (OpenPhish, domains,
// senders) - hosts files - Adblock rules - JSON - the dispatch.
#include "tools/hkwdefs/feeds/FeedReaders.h"

#include "tools/hkwdefs/feeds/FeedText.h"
#include "tools/hkwdefs/feeds/JsonRecords.h"

namespace hookwise::tools {

using namespace hookwise::platform;

namespace {

// How often readers tell the sink how far they are.
constexpr std::size_t kProgressEvery = 8192;

void ReportProgress(FeedEntrySink& sink, std::size_t count, std::size_t offset) {
    if (count % kProgressEvery == 0)
        sink.Progress(offset);
}

void MalformedAt(FeedEntrySink& sink, std::size_t line) {
    sink.Malformed();
    sink.MalformedLine(line);
}

void WebAt(FeedEntrySink& sink, std::string_view text, std::size_t line) {
    if (!sink.Web(text))
        sink.MalformedLine(line);
}

// ---- CSV feeds ----

// PhishTank: a header line "phish_id,url,..." names the columns; URLhaus: '#' comment lines, one
// of them the header "# id,dateadded,url,...". Without a header the published layouts hold: the
// URL is PhishTank's second field and URLhaus's third.
void ReadCsv(std::string_view bytes, FeedEntrySink& sink, std::string_view firstColumn,
             std::size_t defaultUrlColumn) {
    FeedLines lines(bytes);
    std::string_view line;
    std::string field;
    std::size_t urlColumn = defaultUrlColumn;
    bool headerSeen = false;
    while (lines.Next(line)) {
        ReportProgress(sink, lines.Number(), lines.Offset());
        if (line.empty())
            continue;
        const bool comment = line.front() == '#';
        std::string_view header = comment ? Trim(line.substr(1), kFeedBlanks) : line;
        if (!headerSeen && StartsWithIgnoringCase(header, firstColumn) &&
            CsvColumn(header, "url") != std::string_view::npos) {
            urlColumn = CsvColumn(header, "url");
            headerSeen = true;
            continue;
        }
        if (comment)
            continue;
        if (!CsvField(line, urlColumn, field) || field.empty()) {
            MalformedAt(sink, lines.Number());
            continue;
        }
        WebAt(sink, field, lines.Number());
    }
    sink.Progress(bytes.size());
}

// ---- one entry a line ----

// The entry of a domain list line: its first word, less a trailing comment and a leading "*." or
// "." (lists that mean "this domain and below").
std::string_view DomainOfLine(std::string_view line) {
    std::string_view word = FirstWord(line);
    word = word.substr(0, word.find('#'));
    if (word.substr(0, 2) == "*.")
        word.remove_prefix(2);
    else if (word.substr(0, 1) == ".")
        word.remove_prefix(1);
    return word;
}

enum class LineEntry { Url, Domain, Sender };

void ReadLineList(std::string_view bytes, FeedEntrySink& sink, LineEntry kind) {
    FeedLines lines(bytes);
    std::string_view line;
    while (lines.Next(line)) {
        ReportProgress(sink, lines.Number(), lines.Offset());
        if (line.empty() || line.front() == '#')
            continue;
        switch (kind) {
        case LineEntry::Url:
            WebAt(sink, line, lines.Number());
            break;
        case LineEntry::Domain: {
            std::string_view domain = DomainOfLine(line);
            if (domain.empty())
                MalformedAt(sink, lines.Number());
            else
                WebAt(sink, domain, lines.Number());
            break;
        }
        case LineEntry::Sender:
            if (!sink.Sender(line))
                sink.MalformedLine(lines.Number());
            break;
        }
    }
    sink.Progress(bytes.size());
}

// ---- hosts files ----

// The names every hosts file maps for the machine itself.
bool IsHostsBoilerplate(std::string_view name) {
    static constexpr std::string_view kNames[] = {
        "localhost",       "localhost.localdomain", "local",          "broadcasthost",
        "0.0.0.0",         "ip6-localhost",         "ip6-loopback",   "ip6-localnet",
        "ip6-mcastprefix", "ip6-allnodes",          "ip6-allrouters", "ip6-allhosts"};
    for (std::string_view known : kNames) {
        if (name == known)
            return true;
    }
    return false;
}

// "ADDRESS NAME [NAME...] [# comment]": each name mapped to 0.0.0.0, 127.x, "::" or "::1" is
// blocked; a name mapped to any other address is a real mapping (a LAN server), not a block.
void ReadHosts(std::string_view bytes, FeedEntrySink& sink) {
    FeedLines lines(bytes);
    std::string_view line;
    while (lines.Next(line)) {
        ReportProgress(sink, lines.Number(), lines.Offset());
        line = Trim(line.substr(0, line.find('#')), kFeedBlanks);
        if (line.empty())
            continue;
        std::string_view address = FirstWord(line);
        std::string_view names = Trim(line.substr(address.size()), kFeedBlanks);
        if (!IsHostsAddress(address) || names.empty()) {
            MalformedAt(sink, lines.Number());
            continue;
        }
        const bool blocking = IsBlockingHostsAddress(address);
        while (!names.empty()) {
            std::string_view name = FirstWord(names);
            names = Trim(names.substr(name.size()), kFeedBlanks);
            if (!blocking || IsHostsBoilerplate(name))
                sink.Skipped();
            else
                WebAt(sink, name, lines.Number());
        }
    }
    sink.Progress(bytes.size());
}

// ---- Adblock rules ----

// Options that make a rule something other than a block of what it names.
bool HasNonBlockingOption(std::string_view options) {
    static constexpr std::string_view kOptions[] = {"badfilter", "removeparam", "csp",
                                                    "redirect",  "rewrite",     "replace"};
    for (std::string_view option : kOptions) {
        if (options.find(option) != std::string_view::npos)
            return true;
    }
    return false;
}

// "||host^", "||host/path^", each with "$options" or not, name a host or a page; every other
// rule (exceptions "@@", element hiding "##", wildcards, plain substrings, regular expressions)
// cannot be a definition and is skipped.
void ReadAdblock(std::string_view bytes, FeedEntrySink& sink) {
    FeedLines lines(bytes);
    std::string_view line;
    while (lines.Next(line)) {
        ReportProgress(sink, lines.Number(), lines.Offset());
        if (line.empty() || line.front() == '!' || (line.front() == '[' && line.back() == ']'))
            continue;
        if (line.substr(0, 2) != "||" || line.find('#') != std::string_view::npos) {
            sink.Skipped();
            continue;
        }
        std::string_view rule = line.substr(2);
        if (std::size_t dollar = rule.rfind('$'); dollar != std::string_view::npos) {
            if (HasNonBlockingOption(rule.substr(dollar + 1))) {
                sink.Skipped();
                continue;
            }
            rule = rule.substr(0, dollar);
        }
        if (!rule.empty() && rule.back() == '|')
            rule.remove_suffix(1);
        if (!rule.empty() && rule.back() == '^')
            rule.remove_suffix(1);
        if (rule.find_first_of("^*|") != std::string_view::npos) {
            sink.Skipped(); // a wildcard or separator inside: no host or page of its own
            continue;
        }
        if (rule.empty())
            MalformedAt(sink, lines.Number());
        else
            WebAt(sink, rule, lines.Number());
    }
    sink.Progress(bytes.size());
}

// ---- JSON ----

// Lines counted forward from the last offset asked for, so that numbering the malformed records
// of a whole file costs one pass.
class LineCounter {
public:
    explicit LineCounter(std::string_view text) : text_(text) {}
    std::size_t LineOf(std::size_t offset) {
        for (; at_ < offset && at_ < text_.size(); ++at_)
            line_ += text_[at_] == '\n';
        return line_;
    }

private:
    std::string_view text_;
    std::size_t at_ = 0;
    std::size_t line_ = 1;
};

void ReadJson(std::string_view bytes, FeedEntrySink& sink, std::string& note) {
    JsonRecords records(bytes);
    LineCounter lines(bytes);
    std::string url;
    bool hasUrl = false;
    std::size_t count = 0;
    for (;;) {
        const JsonRecords::Result result = records.Next(url, hasUrl);
        const std::size_t start = records.RecordOffset();
        ReportProgress(sink, ++count, records.Offset());
        if (result == JsonRecords::Result::End)
            break;
        if (result == JsonRecords::Result::Error) {
            const std::size_t line = lines.LineOf(records.ErrorOffset());
            MalformedAt(sink, line);
            note = "JSON syntax error on line " + std::to_string(line) + " (" +
                   std::string(records.ErrorReason()) + "); nothing after it was read";
            break;
        }
        if (result == JsonRecords::Result::Record && hasUrl) {
            if (!sink.Web(url))
                sink.MalformedLine(lines.LineOf(start));
            continue;
        }
        MalformedAt(sink, lines.LineOf(start));
    }
    sink.Progress(bytes.size());
}

} // namespace

void ReadFeedEntries(FeedFormat format, std::string_view bytes, FeedEntrySink& sink,
                     std::string& note) {
    note.clear();
    switch (format) {
    case FeedFormat::PhishTankCsv:
        return ReadCsv(bytes, sink, "phish_id", 1);
    case FeedFormat::UrlhausCsv:
        return ReadCsv(bytes, sink, "id", 2);
    case FeedFormat::PhishTankJson:
        return ReadJson(bytes, sink, note);
    case FeedFormat::OpenPhish:
        return ReadLineList(bytes, sink, LineEntry::Url);
    case FeedFormat::Domains:
        return ReadLineList(bytes, sink, LineEntry::Domain);
    case FeedFormat::Senders:
        return ReadLineList(bytes, sink, LineEntry::Sender);
    case FeedFormat::Hosts:
        return ReadHosts(bytes, sink);
    case FeedFormat::Adblock:
        return ReadAdblock(bytes, sink);
    case FeedFormat::Auto:
        break;
    }
}

} // namespace hookwise::tools
