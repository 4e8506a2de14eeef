// Fuzzes feed import with arbitrary bytes in every format: reading must end without a crash or a
// hang, and what it keeps must be entries the engine reads back unchanged: every web entry a
// normalised "host" or "host/path" of at most 260 characters, every line of the written source
// readable by the definitions reader.
#include "tools/hkwdefs/DefinitionSet.h"
#include "tools/hkwdefs/feeds/FeedImport.h"
#include "tools/hkwdefs/feeds/PlainOutput.h"
#include "engine/WebAddress.h"
#include "engine/WellKnownSites.h"

#include <cstdint>
#include <string>
#include <string_view>

using namespace hookwise::tools;

namespace {

constexpr FeedFormat kFormats[] = {
    FeedFormat::Auto,      FeedFormat::PhishTankCsv, FeedFormat::PhishTankJson,
    FeedFormat::OpenPhish, FeedFormat::UrlhausCsv,   FeedFormat::Hosts,
    FeedFormat::Domains,   FeedFormat::Adblock,      FeedFormat::Senders,
};

const WellKnownSites& Sites() {
    static const WellKnownSites sites = [] {
        WellKnownSites list;
        for (const char* host : {"google.com", "docs.google.com", "weebly.com", "gmail.com"})
            list.Add(host);
        return list;
    }();
    return sites;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    // The first byte picks the format; the rest is the feed.
    const FeedFormat format = kFormats[data[0] % std::size(kFormats)];
    const std::string_view feed(reinterpret_cast<const char*>(data + 1), size - 1);

    const DefinitionSet base = {{"HostLink", {{"HLINK1", "evil.example/login"}}}};
    ImportOptions options;
    options.wellKnown = &Sites();
    options.base = &base;
    ImportReport report;
    if (!ImportFeeds({FeedInput::Memory("fuzz", feed, format)}, options, report))
        return 0;

    const ImportedDefinitions& entries = report.entries;
    for (std::size_t i = entries.FirstNewWeb(); i < entries.Web().Size(); ++i) {
        const std::string_view entry = entries.Web().At(i);
        WebAddress address;
        if (entry.size() > kMaxImportedEntryLength || !ParseWebAddress(entry, address) ||
            address.host + address.path != entry)
            __builtin_trap();
    }
    const FeedCounts& counts = report.feeds.at(0).counts;
    if (counts.kept + counts.duplicates + counts.noise + counts.malformed + counts.tooLong +
            counts.skipped + counts.unstorable !=
        counts.read)
        __builtin_trap();

    DefinitionSet written;
    Messages errors;
    if (!ReadPlainDefinitions(FormatImportedDefinitions(base, entries, "fuzz"), written, errors) ||
        !CheckDefinitionLists(written, errors))
        __builtin_trap();
    return 0;
}
