// FeedImport: the feeds read one after another into one repeat-free set of entries.
//
// Sections: the entries' rules (normalising, noise, length) - the base - the import loop - the
// summary.
#include "tools/hkwdefs/feeds/FeedImport.h"

#include "tools/hkwdefs/Compiler.h"
#include "tools/hkwdefs/FileIo.h"
#include "tools/hkwdefs/feeds/FeedReaders.h"
#include "tools/hkwdefs/feeds/FeedText.h"
#include "engine/WebAddress.h"
#include "engine/WellKnownSites.h"
#include "platform/AsciiCase.h"
#include "platform/CaseFold.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace hookwise::tools {

using namespace hookwise::platform;

namespace {

constexpr std::size_t kMaxMalformedLines = 5;

// ---- the entries' rules ----

// A host that still starts with "www." once one was dropped ("www.www.evil.example") would lose
// the next one when the engine reads the entry again: drop them all now, so the entry and its
// reading are one text.
void DropAllWww(WebAddressParts& parts) {
    for (;;) {
        std::string_view host = parts.Host();
        if (!(host.size() > 4 && host.substr(0, 4) == "www." &&
              host.find('.', 4) != std::string_view::npos))
            return;
        std::memmove(parts.host, parts.host + 4, parts.hostLength - 4);
        parts.hostLength -= 4;
        parts.host[parts.hostLength] = '\0';
    }
}

// The normalised text of a web entry, "host" or "host/path", into out (without allocating).
std::string_view WebEntryText(const WebAddressParts& parts,
                              char (&out)[kMaxWebHostLength + kMaxWebPathLength + 1]) {
    std::memcpy(out, parts.host, parts.hostLength);
    std::memcpy(out + parts.hostLength, parts.path, parts.pathLength);
    return {out, parts.hostLength + parts.pathLength};
}

// A byte that may stand in a sender entry: printable, no blank, none of the characters that
// delimit an address in a header.
bool IsSenderCharacter(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte > ' ' && byte != 0x7f && std::strchr("\"<>(),;[]\\", c) == nullptr;
}

// The sender of a senders-list line: "Name <user@host>" gives what is in the brackets, a
// "mailto:" goes, the case is folded in every script (as the lookups fold their entries); out
// holds it. False when what remains is empty, holds
// a character a sender cannot have, or has no domain with a dot after its '@'.
bool NormaliseSender(std::string_view line, std::string& out, std::string_view& domain) {
    std::string_view text = Trim(line.substr(0, line.find('#')), kFeedBlanks);
    if (std::size_t open = text.find('<'); open != std::string_view::npos) {
        std::size_t close = text.find('>', open);
        if (close == std::string_view::npos)
            return false;
        text = Trim(text.substr(open + 1, close - open - 1), kFeedBlanks);
    }
    if (StartsWithIgnoringCase(text, "mailto:"))
        text.remove_prefix(7);
    if (text.empty())
        return false;
    for (char c : text) {
        if (!IsSenderCharacter(c))
            return false;
    }
    out = FoldCase(text);
    const std::size_t at = out.rfind('@');
    domain = std::string_view(out).substr(at == std::string::npos ? 0 : at + 1);
    const std::size_t dot = domain.find('.');
    return dot != std::string_view::npos && dot > 0 && domain.back() != '.';
}

class ImportSink : public FeedEntrySink {
public:
    ImportSink(ImportedDefinitions& entries, const WellKnownSites* wellKnown, FeedSummary& summary,
               std::function<void(std::size_t)> progress)
        : entries_(entries), wellKnown_(wellKnown), summary_(summary), counts_(summary.counts),
          progress_(std::move(progress)) {}

    bool Web(std::string_view text) override {
        ++counts_.read;
        WebAddressParts parts;
        if (!ParseWebAddress(text, parts)) {
            // The parser refuses a path or host beyond its limits: too long, not malformed.
            if (Trim(text, kFeedBlanks).size() > kMaxImportedEntryLength) {
                ++counts_.tooLong;
                return true;
            }
            ++counts_.malformed;
            return false;
        }
        DropAllWww(parts);
        if (parts.hostLength + parts.pathLength > kMaxImportedEntryLength) {
            ++counts_.tooLong;
            return true;
        }
        if (parts.pathLength == 0 && wellKnown_ && wellKnown_->Lists(parts.Host())) {
            ++counts_.noise;
            return true;
        }
        char buffer[kMaxWebHostLength + kMaxWebPathLength + 1];
        Count(entries_.Web().Add(WebEntryText(parts, buffer)));
        return true;
    }

    bool Sender(std::string_view text) override {
        ++counts_.read;
        std::string_view domain;
        if (!NormaliseSender(text, sender_, domain)) {
            ++counts_.malformed;
            return false;
        }
        if (sender_.size() > kMaxImportedEntryLength) {
            ++counts_.tooLong;
            return true;
        }
        // A whole domain (no one before the '@') of a well-known site would flag all its mail.
        const bool wholeDomain = domain.size() == sender_.size() || sender_.front() == '@';
        if (wholeDomain && wellKnown_ && wellKnown_->Lists(domain)) {
            ++counts_.noise;
            return true;
        }
        // Some non-ASCII texts do not survive the file's scrambling (a byte whose scrambled
        // value is 0, ';' or '='): the compiler would refuse the whole file for one of them.
        if (!ScrambleFault(sender_, ScrambledField::Value).empty()) {
            ++counts_.unstorable;
            return true;
        }
        Count(entries_.Senders().Add(sender_));
        return true;
    }

    void Malformed() override {
        ++counts_.read;
        ++counts_.malformed;
    }

    void Skipped() override {
        ++counts_.read;
        ++counts_.skipped;
    }

    void MalformedLine(std::size_t line) override {
        if (summary_.malformedLines.size() < kMaxMalformedLines)
            summary_.malformedLines.push_back(line);
    }

    void Progress(std::size_t offset) override {
        if (progress_)
            progress_(offset);
    }

private:
    void Count(bool added) {
        if (added)
            ++counts_.kept;
        else
            ++counts_.duplicates;
    }

    ImportedDefinitions& entries_;
    const WellKnownSites* wellKnown_;
    FeedSummary& summary_;
    FeedCounts& counts_;
    std::function<void(std::size_t)> progress_;
    std::string sender_;
};

std::uint64_t SizeOfFeed(const FeedInput& feed) {
    if (feed.path.empty())
        return feed.bytes.size();
    std::error_code code;
    const std::uintmax_t size = std::filesystem::file_size(feed.path, code);
    return code ? 0 : size;
}

std::string Plural(std::size_t count, std::string_view one, std::string_view many) {
    return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

} // namespace

// ---- the base ----

void ImportedDefinitions::AddBase(const DefinitionSet& base) {
    for (const DefinitionSection& section : base) {
        const bool web = section.name == "HostLink";
        const bool from = section.name == "From";
        if (!web && !from)
            continue;
        for (const DefinitionEntry& entry : section.entries) {
            if (from) {
                senders_.Add(FoldCase(entry.value));
                continue;
            }
            // A base entry that is no web address stays in the file as it is; nothing imported
            // can equal it.
            WebAddressParts parts;
            if (!ParseWebAddress(entry.value, parts))
                continue;
            DropAllWww(parts);
            char buffer[kMaxWebHostLength + kMaxWebPathLength + 1];
            web_.Add(WebEntryText(parts, buffer));
        }
    }
    baseWeb_ = web_.Size();
    baseSenders_ = senders_.Size();
}

// ---- the import loop ----

FeedInput FeedInput::File(std::string path, FeedFormat format) {
    FeedInput input;
    input.name = path;
    input.path = std::move(path);
    input.format = format;
    return input;
}

FeedInput FeedInput::Memory(std::string name, std::string_view bytes, FeedFormat format) {
    FeedInput input;
    input.name = std::move(name);
    input.bytes = bytes;
    input.format = format;
    return input;
}

bool ImportFeeds(const std::vector<FeedInput>& feeds, const ImportOptions& options,
                 ImportReport& report) {
    report.error.clear();
    if (options.base)
        report.entries.AddBase(*options.base);
    std::uint64_t total = 0;
    for (const FeedInput& feed : feeds)
        total += SizeOfFeed(feed);
    std::uint64_t before = 0; // bytes of the feeds already read

    std::string fileBytes;
    for (const FeedInput& feed : feeds) {
        std::string_view bytes = feed.bytes;
        if (!feed.path.empty()) {
            std::string error;
            if (!ReadFileBytes(feed.path, fileBytes, error)) {
                report.error = error;
                return false;
            }
            bytes = fileBytes;
        }
        FeedSummary summary;
        summary.name = feed.name;
        summary.format = feed.format;
        if (summary.format == FeedFormat::Auto) {
            std::string reason;
            if (!DetectFeedFormat(bytes, summary.format, reason)) {
                report.error = feed.name + ": " + reason;
                return false;
            }
        }
        auto progress = [&options, before, total](std::size_t offset) {
            if (options.progress)
                options.progress(before + offset, total);
        };
        ImportSink sink(report.entries, options.wellKnown, summary, progress);
        if (summary.format != FeedFormat::Auto)
            ReadFeedEntries(summary.format, bytes, sink, summary.note);
        // A file that grew since its size was taken must not push the progress past its end.
        before = std::min<std::uint64_t>(total, before + bytes.size());
        report.feeds.push_back(std::move(summary));
    }
    if (options.progress)
        options.progress(total, total);
    return true;
}

// ---- the summary ----

std::string DescribeFeedSummary(const FeedSummary& summary) {
    const FeedCounts& counts = summary.counts;
    std::string text =
        summary.name + " (" +
        std::string(summary.format == FeedFormat::Auto ? "no entries"
                                                       : FeedFormatName(summary.format)) +
        "): " + std::to_string(counts.read) + " read, " + std::to_string(counts.kept) + " kept";
    if (counts.duplicates > 0)
        text += ", " + Plural(counts.duplicates, "duplicate", "duplicates");
    if (counts.noise > 0)
        text += ", " + std::to_string(counts.noise) + " dropped as noise";
    if (counts.malformed > 0) {
        text += ", " + std::to_string(counts.malformed) + " malformed";
        if (!summary.malformedLines.empty()) {
            text += summary.malformedLines.size() == 1 ? " (line " : " (lines ";
            for (std::size_t i = 0; i < summary.malformedLines.size(); ++i)
                text += (i == 0 ? "" : ", ") + std::to_string(summary.malformedLines[i]);
            text += counts.malformed > summary.malformedLines.size() ? ", ...)" : ")";
        }
    }
    if (counts.tooLong > 0)
        text += ", " + std::to_string(counts.tooLong) + " too long";
    if (counts.skipped > 0)
        text += ", " + std::to_string(counts.skipped) + " skipped (no definition kind)";
    if (counts.unstorable > 0)
        text += ", " + std::to_string(counts.unstorable) +
                " left out (the definitions file cannot hold them as written)";
    if (!summary.note.empty())
        text += "; " + summary.note;
    return text;
}

} // namespace hookwise::tools
