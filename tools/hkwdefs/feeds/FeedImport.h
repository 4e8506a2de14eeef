// FeedImport: reads public phishing feeds (PhishTank, OpenPhish, URLhaus, hosts files, domain
// lists, Adblock rules, sender lists) into the entries of the plain definitions source: web
// addresses for [HostLink], senders for [From], each normalised as the engine reads it, each once,
// without the well-known sites that feeds list whole by mistake. hkwdefs import and the live
// update program share it.
#pragma once

#include "tools/hkwdefs/DefinitionSet.h"
#include "tools/hkwdefs/feeds/EntryList.h"
#include "tools/hkwdefs/feeds/FeedFormat.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class WellKnownSites;

namespace hookwise::tools {

// The longest entry imported: the engine reads definition values up to 260 characters.
constexpr std::size_t kMaxImportedEntryLength = 260;

struct FeedInput {
    std::string name;       // how messages and the summary name the feed (its path for a file)
    std::string path;       // read from this file when not empty
    std::string_view bytes; // else these bytes, which the caller keeps alive during the import
    FeedFormat format = FeedFormat::Auto;

    static FeedInput File(std::string path, FeedFormat format = FeedFormat::Auto);
    static FeedInput Memory(std::string name, std::string_view bytes,
                            FeedFormat format = FeedFormat::Auto);
};

struct FeedCounts {
    std::size_t read = 0;       // entries read: every non-blank, non-comment line or record
    std::size_t kept = 0;       // new entries
    std::size_t duplicates = 0; // already there (from this feed, an earlier one or the base)
    std::size_t noise = 0;      // a well-known site listed whole
    std::size_t malformed = 0;  // no web address or sender, a broken line or record
    std::size_t tooLong = 0;    // longer than kMaxImportedEntryLength once normalised
    std::size_t skipped = 0;    // rule kinds that are no definition (Adblock exceptions ...)
    std::size_t unstorable = 0; // senders the scrambled definitions file cannot hold as written
};

struct FeedSummary {
    std::string name;
    FeedFormat format = FeedFormat::Auto; // as read: given, or told from the content
    FeedCounts counts;
    std::vector<std::size_t> malformedLines; // the first few, for messages
    std::string note;                        // why reading stopped early, or ""
};

// The entries an import found: web addresses as "host" or "host/path", senders in lower case.
// Entries of the base (the file merged into) come first and are only there to be found again.
class ImportedDefinitions {
public:
    // Takes the [HostLink] and [From] entries of base as present: an imported entry equal to one
    // of them once normalised is a duplicate.
    void AddBase(const DefinitionSet& base);

    EntryList& Web() { return web_; }
    EntryList& Senders() { return senders_; }
    const EntryList& Web() const { return web_; }
    const EntryList& Senders() const { return senders_; }
    // Where the imported entries start in each list.
    std::size_t FirstNewWeb() const { return baseWeb_; }
    std::size_t FirstNewSender() const { return baseSenders_; }
    std::size_t NewWebCount() const { return web_.Size() - baseWeb_; }
    std::size_t NewSenderCount() const { return senders_.Size() - baseSenders_; }

private:
    EntryList web_;
    EntryList senders_;
    std::size_t baseWeb_ = 0;
    std::size_t baseSenders_ = 0;
};

struct ImportOptions {
    // Bare hosts (and sender domains) this list lists are dropped as noise; none when null.
    const WellKnownSites* wellKnown = nullptr;
    // The definitions merged into: their entries are not imported again.
    const DefinitionSet* base = nullptr;
    // Called now and then with the bytes read so far over all feeds and their total.
    std::function<void(std::uint64_t done, std::uint64_t total)> progress;
};

struct ImportReport {
    std::vector<FeedSummary> feeds; // one per feed read, in order
    ImportedDefinitions entries;
    std::string error; // why ImportFeeds returned false
};

// Reads every feed in order into report.entries, with a summary per feed. A feed's format is its
// own when given, else told from its content (DetectFeedFormat). A malformed line or record is
// counted and skipped. Returns false, with "NAME: reason" in report.error and the feeds before it
// in report, when a file cannot be read or its format cannot be told; nothing should be written
// then.
bool ImportFeeds(const std::vector<FeedInput>& feeds, const ImportOptions& options,
                 ImportReport& report);

// One feed's summary line: "NAME (FORMAT): 10 read, 7 kept, 1 duplicate, 1 dropped as noise, 1
// malformed (line 4)", with the counts that are not zero beyond read and kept.
std::string DescribeFeedSummary(const FeedSummary& summary);

} // namespace hookwise::tools
