// The five definition lookups on databases of 1,000, 10,000 and 100,000 entries per list, hit at
// the last entry and miss, with the cached profile reader ("engine") and with a reader that reads
// and scans the file on every call ("baseline"). Compare the two in the same run.
#include "engine/DetectionRecord.h"
#include "engine/LSPGlobals.h"
#include "platform/Profile.h"
#include "tests/engine/lookups/DefinitionFile.h"
#include "ReparsingProfile.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

using namespace hookwise::platform;

namespace {

// Joins parts with append (GCC 12 warns falsely about chains of string operator+).
std::string Join(std::initializer_list<std::string_view> parts) {
    std::string text;
    for (std::string_view part : parts)
        text.append(part);
    return text;
}

std::string N(int i) {
    return std::to_string(i);
}

std::string IpEntry(int i) {
    return Join({"10.", N(i / 65536 % 256), ".", N(i / 256 % 256), ".", N(i % 256)});
}
std::string HostLinkEntry(int i) {
    return Join({"http://host", N(i), ".Phish-Example.net/login"});
}
std::string LinkEntry(int i) {
    return Join({"http://pay", N(i), ".fake-bank.example/verify?session=1"});
}
std::string FromEntry(int i) {
    return Join({"alerts", N(i), "@Secure-Mail.example"});
}
std::string SubjectEntry(int i) {
    return Join({"verify your account number ", N(i), " now"});
}
std::string TextEntry(int i) {
    return Join({"confirm your password within ", N(i), " hours"});
}

// One database per size, written once into a temporary folder that goes at exit.
class Databases {
public:
    ~Databases() {
        std::error_code ignored;
        if (!folder_.empty())
            std::filesystem::remove_all(folder_, ignored);
    }

    const std::string& For(int entries) {
        auto found = paths_.find(entries);
        if (found != paths_.end())
            return found->second;
        if (folder_.empty()) {
            std::string pattern =
                (std::filesystem::temp_directory_path() / "hookwise-bench-XXXXXX").string();
            if (!mkdtemp(pattern.data()))
                std::abort();
            folder_ = pattern;
        }
        std::string path = (folder_ / Join({"hkwdb2-", N(entries), ".pbd"})).string();
        DefinitionFile file;
        file.GarbageHeader("\x8F\x12[\xFF\r\x01\n\x9A=;\"'\xEE\x01");
        struct ListSpec {
            const char* section;
            const char* prefix;
            std::string (*entry)(int);
        };
        const ListSpec lists[] = {
            {"HostIP", "IP", IpEntry},        {"HostLink", "HLINK", HostLinkEntry},
            {"Link", "CLINK", LinkEntry},     {"From", "FROM", FromEntry},
            {"Subject", "SUB", SubjectEntry}, {"Text", "TXT", TextEntry},
        };
        for (const ListSpec& list : lists) {
            for (int i = 1; i <= entries; ++i)
                file.Add(list.section, Join({list.prefix, N(i)}), list.entry(i));
        }
        file.WriteTo(path);
        // A copy read within the reader's clock-tick window of the file's modification time is
        // read once more later; waiting it out keeps that one extra parse out of the figures.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        return paths_.emplace(entries, path).first->second;
    }

private:
    std::filesystem::path folder_;
    std::map<int, std::string> paths_;
};

Databases& AllDatabases() {
    static Databases databases;
    return databases;
}

enum class Kind { Ip, Url, From, Subject, Text };

struct Query {
    std::string text;
    bool hit;
};

Query MakeQuery(Kind kind, int entries, bool hit) {
    const std::string last = N(entries);
    switch (kind) {
    case Kind::Ip:
        return {hit ? IpEntry(entries) : "192.0.2.1", hit};
    case Kind::Url:
        // The last entry of the second list the lookup walks.
        return {hit ? Join({"PAY", last, ".fake-bank.example/verify"}) : "nothing.example/none",
                hit};
    case Kind::From:
        return {hit ? Join({"security team <alerts", last, "@secure-mail.example>"})
                    : "friend <someone@mail.example>",
                hit};
    case Kind::Subject:
        return {hit ? Join({"urgent: verify your account number ", last, " now!"})
                    : "lunch on friday?",
                hit};
    case Kind::Text:
        return {hit ? Join({"dear customer, please confirm your password within ", last,
                            " hours or lose access"})
                    : "see you at the meeting tomorrow",
                hit};
    }
    return {};
}

bool RunEngine(Kind kind, const std::string& text, char* scratch, char* matched) {
    switch (kind) {
    case Kind::Ip:
        return CLSPGlobals::IsBadIP(text.c_str());
    case Kind::Url:
        CopyField(scratch, 261, text.c_str());
        return CLSPGlobals::IsBadUrl(scratch);
    case Kind::From:
        return CLSPGlobals::IsBadMailFrom(text.c_str());
    case Kind::Subject:
        return CLSPGlobals::IsBadMailSubject(text.c_str());
    case Kind::Text:
        return CLSPGlobals::IsBadMailText(text.c_str(), matched);
    }
    return false;
}

bool RunBaseline(Kind kind, const std::string& text, char* scratch, char* matched,
                 const char* file) {
    switch (kind) {
    case Kind::Ip:
        return BaselineIsBadIP(text.c_str(), file);
    case Kind::Url:
        CopyField(scratch, 261, text.c_str());
        return BaselineIsBadUrl(scratch, file);
    case Kind::From:
        return BaselineIsBadMailFrom(text.c_str(), file);
    case Kind::Subject:
        return BaselineIsBadMailSubject(text.c_str(), file);
    case Kind::Text:
        return BaselineIsBadMailText(text.c_str(), matched, file);
    }
    return false;
}

void EngineLookup(benchmark::State& state, Kind kind, int entries, bool hit) {
    const std::string& path = AllDatabases().For(entries);
    CopyField(CLSPGlobals::szDBPath, path.c_str());
    Query query = MakeQuery(kind, entries, hit);
    char scratch[261];
    char matched[261];
    if (RunEngine(kind, query.text, scratch, matched) != query.hit) {
        state.SkipWithError("the lookup gave the wrong answer");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(RunEngine(kind, query.text, scratch, matched));
}

void BaselineLookup(benchmark::State& state, Kind kind, int entries, bool hit) {
    const std::string& path = AllDatabases().For(entries);
    Query query = MakeQuery(kind, entries, hit);
    char scratch[261];
    char matched[261];
    for (auto _ : state) {
        bool found = RunBaseline(kind, query.text, scratch, matched, path.c_str());
        if (found != query.hit) {
            state.SkipWithError("the baseline gave the wrong answer");
            return;
        }
    }
}

// The cost the cached reader pays once per change of the file: parse, then one lookup.
void FirstLookupAfterChange(benchmark::State& state, int entries) {
    const std::string& path = AllDatabases().For(entries);
    CopyField(CLSPGlobals::szDBPath, path.c_str());
    for (auto _ : state) {
        ProfileCacheClear();
        benchmark::DoNotOptimize(CLSPGlobals::IsBadIP("192.0.2.1"));
    }
}

void RegisterAll() {
    const std::pair<const char*, Kind> kinds[] = {
        {"IsBadIP", Kind::Ip},         {"IsBadUrl", Kind::Url},
        {"IsBadMailFrom", Kind::From}, {"IsBadMailSubject", Kind::Subject},
        {"IsBadMailText", Kind::Text},
    };
    const int sizes[] = {1000, 10000, 100000};
    for (int entries : sizes) {
        for (const auto& [name, kind] : kinds) {
            for (bool hit : {true, false}) {
                std::string suffix = Join({"/", N(entries), hit ? "/hit" : "/miss"});
                benchmark::RegisterBenchmark(Join({name, "/engine", suffix}).c_str(), EngineLookup,
                                             kind, entries, hit)
                    ->Unit(benchmark::kMicrosecond);
                // Re-reading a file of 100,000 entries per list for every entry takes many minutes
                // per lookup.
                if (entries > 10000)
                    continue;
                auto* baseline = benchmark::RegisterBenchmark(
                    Join({name, "/baseline", suffix}).c_str(), BaselineLookup, kind, entries, hit);
                baseline->Unit(benchmark::kMicrosecond);
                if (entries >= 10000)
                    baseline->Iterations(1);
            }
        }
        benchmark::RegisterBenchmark(Join({"FirstLookupAfterChange/engine/", N(entries)}).c_str(),
                                     FirstLookupAfterChange, entries)
            ->Unit(benchmark::kMillisecond);
    }
}

} // namespace

int main(int argc, char** argv) {
    RegisterAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
