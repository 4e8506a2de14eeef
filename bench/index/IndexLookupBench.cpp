// The lookups answered from the compiled index ("index") and by the walk over the parsed lists
// ("walk", the lists already read and cached, as a long-running program has them), on databases
// of 1,000, 100,000 and 1,000,000 entries per list: IsBadUrl hit (a page below the last HostLink
// entry, a page entry) and miss, IsBadHostName hit (a subdomain of the last bare-host entry) and
// miss, IsBadIP hit and miss, IsBadMailText on a 100 KB mail without a listed phrase and with the
// last one at its end, in ASCII and in UTF-8 (Portuguese, German, Greek and Russian words, as the
// page inspector folds them). Compare the two in the same run. FoldCase_100KB gives what the
// inspector's fold of such a page costs.
#include "engine/CurrentIndex.h"
#include "engine/DefinitionIndexFormat.h"
#include "engine/DetectionRecord.h"
#include "engine/LSPGlobals.h"
#include "engine/index/DefinitionIndexBuilder.h"
#include "platform/CaseFold.h"
#include "BenchDefinitions.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

using namespace hookwise::platform;

namespace {

// One working copy and its index per size, made once in a temporary folder that goes at exit.
class Databases {
public:
    ~Databases() {
        std::error_code ignored;
        if (!folder_.empty())
            std::filesystem::remove_all(folder_, ignored);
    }

    const std::string& For(long entries) {
        auto found = paths_.find(entries);
        if (found != paths_.end())
            return found->second;
        if (folder_.empty()) {
            std::string pattern =
                (std::filesystem::temp_directory_path() / "hookwise-index-bench-XXXXXX").string();
            if (!mkdtemp(pattern.data()))
                std::abort();
            folder_ = pattern;
        }
        std::string path = (folder_ / ("hkwdb2-" + std::to_string(entries) + ".pbd")).string();
        std::string error;
        if (!benchdefs::WriteWorkingCopy(path, entries) ||
            !BuildDefinitionIndex(path, definition_index::IndexPathFor(path), error)) {
            std::fprintf(stderr, "cannot make the database of %ld entries: %s\n", entries,
                         error.c_str());
            std::abort();
        }
        return paths_.emplace(entries, path).first->second;
    }

private:
    std::filesystem::path folder_;
    std::map<long, std::string> paths_;
};

Databases& AllDatabases() {
    static Databases databases;
    return databases;
}

// A mail body of about 100 KB: ordinary words, none of them a listed phrase.
std::string MailText(const std::string& ending) {
    static const char* const kWords[] = {
        "dear", "customer", "thank", "you",    "for",    "your", "order", "the",  "parcel",
        "will", "arrive",   "on",    "monday", "please", "keep", "this",  "mail", "regards"};
    std::string text;
    for (unsigned i = 0; text.size() < 100 * 1024 - ending.size(); ++i)
        text.append(kWords[(i * 7 + i / 5) % 18]).append(" ");
    return text + ending;
}

// The same in UTF-8: words of other scripts, most of their bytes above 0x7F, in capitals and
// small letters (folded by the caller before the lookup).
std::string Utf8MailText(const std::string& ending) {
    static const char* const kWords[] = {"Verifica\xC3\xA7\xC3\xA3o",
                                         "seguran\xC3\xA7\x61",
                                         "\xC3\x9C\x62\x65rpr\xC3\xBC\x66ung",
                                         "Stra\xC3\x9F\x65",
                                         "\xCE\x9A\xCF\x89\xCE\xB4\xCE\xB9\xCE\xBA\xCF\x8C\xCF\x82",
                                         "\xD0\x9F\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C",
                                         "\xD1\x81\xD1\x87\xD1\x91\xD1\x82",
                                         "conta",
                                         "Konto",
                                         "\xC3\xA9t\xC3\xA9",
                                         "pr\xC3\xA9stamo"};
    std::string text;
    for (unsigned i = 0; text.size() < 100 * 1024 - ending.size(); ++i)
        text.append(kWords[(i * 7 + i / 5) % 11]).append(" ");
    return text + ending;
}

enum class Kind {
    UrlHit,
    UrlMiss,
    NameHit,
    NameMiss,
    IpHit,
    IpMiss,
    TextMiss,
    TextHit,
    Utf8TextMiss,
    Utf8TextHit
};

void Use(long entries, bool index) {
    CopyField(CLSPGlobals::szDBPath, AllDatabases().For(entries).c_str());
    SetDefinitionIndexEnabled(index);
}

void Lookup(benchmark::State& state, Kind kind, bool index) {
    const long entries = state.range(0);
    Use(entries, index);
    std::string query;
    switch (kind) {
    case Kind::UrlHit: // the last page entry (the odd numbers are pages), a page below it
        query = benchdefs::HostLinkEntry(entries - 1 + entries % 2) + "/step2?id=1";
        break;
    case Kind::UrlMiss:
        query = "www.paypal.com/signin/v2/verify";
        break;
    case Kind::NameHit: // below the last bare-host entry (the even numbers)
        query = "login." + benchdefs::HostLinkEntry(entries - entries % 2);
        break;
    case Kind::NameMiss:
        query = "www.paypal.com";
        break;
    case Kind::IpHit:
        query = benchdefs::IpEntry(entries);
        break;
    case Kind::IpMiss:
        query = "192.0.2.1";
        break;
    case Kind::TextMiss:
        query = MailText("");
        break;
    case Kind::TextHit:
        query = MailText(benchdefs::TextEntry(entries));
        break;
    case Kind::Utf8TextMiss:
        query = FoldCase(Utf8MailText(""));
        break;
    case Kind::Utf8TextHit:
        query = FoldCase(Utf8MailText(benchdefs::TextEntry(entries)));
        break;
    }
    const bool expected = kind == Kind::UrlHit || kind == Kind::NameHit || kind == Kind::IpHit ||
                          kind == Kind::TextHit || kind == Kind::Utf8TextHit;
    auto run = [&] {
        char matched[261] = "";
        std::string url = query;
        switch (kind) {
        case Kind::UrlHit:
        case Kind::UrlMiss:
            return CLSPGlobals::IsBadUrl(url.data());
        case Kind::NameHit:
        case Kind::NameMiss:
            return CLSPGlobals::IsBadHostName(query.c_str());
        case Kind::IpHit:
        case Kind::IpMiss:
            return CLSPGlobals::IsBadIP(query.c_str());
        default:
            return CLSPGlobals::IsBadMailText(query.c_str(), matched);
        }
    };
    if (run() != expected) { // also reads the lists once for the walk
        state.SkipWithError("wrong answer");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(run());
    SetDefinitionIndexEnabled(true);
}

void Register(const char* name, Kind kind) {
    for (bool index : {true, false}) {
        std::string full = std::string(name) + (index ? "/index" : "/walk");
        auto* bench = benchmark::RegisterBenchmark(
            full.c_str(), [kind, index](benchmark::State& s) { Lookup(s, kind, index); });
        bench->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
        const bool slowWalk = !index && kind >= Kind::TextMiss;
        // The walk over a million phrases takes seconds per mail: once is enough.
        if (slowWalk)
            benchmark::RegisterBenchmark(
                full.c_str(), [kind, index](benchmark::State& s) { Lookup(s, kind, index); })
                ->Arg(1000000)
                ->Iterations(1)
                ->Unit(benchmark::kMicrosecond);
        else
            bench->Arg(1000000);
    }
}

} // namespace

int main(int argc, char** argv) {
    Register("IsBadUrl_hit", Kind::UrlHit);
    Register("IsBadUrl_miss", Kind::UrlMiss);
    Register("IsBadHostName_hit", Kind::NameHit);
    Register("IsBadHostName_miss", Kind::NameMiss);
    Register("IsBadIP_hit", Kind::IpHit);
    Register("IsBadIP_miss", Kind::IpMiss);
    Register("IsBadMailText_100KB_miss", Kind::TextMiss);
    Register("IsBadMailText_100KB_hit", Kind::TextHit);
    Register("IsBadMailText_100KB_utf8_miss", Kind::Utf8TextMiss);
    Register("IsBadMailText_100KB_utf8_hit", Kind::Utf8TextHit);
    benchmark::RegisterBenchmark("FoldCase_100KB/ascii", [](benchmark::State& state) {
        const std::string text = MailText("");
        for (auto _ : state)
            benchmark::DoNotOptimize(FoldCase(text));
    })->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("FoldCase_100KB/utf8", [](benchmark::State& state) {
        const std::string text = Utf8MailText("");
        for (auto _ : state)
            benchmark::DoNotOptimize(FoldCase(text));
    })->Unit(benchmark::kMicrosecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
