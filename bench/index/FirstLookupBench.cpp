// What a fresh process pays for its first lookups, with the compiled index ("index") and without
// it ("walk": the lists are parsed into the process), at 1,000, 100,000 and 1,000,000 entries per
// list:
//   - in a fresh process of this program: the time of the first IsBadIP and of the IsBadUrl after
//     it, and the private memory (Private_Dirty) they added;
//   - in curl under the interception provider, with the tray program's channel listening: the time
//     from curl's start to its request's arrival and its Private_Dirty while it waits for the
//     answer, against curl without the provider.
// Prints medians of several runs and their ratios to the walk.
#include "engine/CurrentIndex.h"
#include "engine/DefinitionIndexFormat.h"
#include "engine/DetectionRecord.h"
#include "engine/LSPGlobals.h"
#include "engine/index/DefinitionIndexBuilder.h"
#include "platform/ChannelReceiver.h"
#include "platform/Registry.h"
#include "tests/platform/channel/ReceiverLoop.h"
#include "tests/provider/HeldRequest.h"
#include "tests/provider/ProviderHarness.h"
#include "BenchDefinitions.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

using namespace hookwise::platform;

namespace {

constexpr int kRounds = 5;
constexpr int kCurlRounds = 3;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double Milliseconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// The child: the first lookups of this process, timed, and the private memory they added.
int Child(const char* database, bool index) {
    CopyField(CLSPGlobals::szDBPath, database);
    SetDefinitionIndexEnabled(index);
    const long before = providertest::PrivateDirtyKb(getpid());
    const auto t0 = std::chrono::steady_clock::now();
    const bool ip = CLSPGlobals::IsBadIP("192.0.2.1");
    const auto t1 = std::chrono::steady_clock::now();
    char url[261] = "nothing.example/none";
    const bool web = CLSPGlobals::IsBadUrl(url);
    const auto t2 = std::chrono::steady_clock::now();
    const long after = providertest::PrivateDirtyKb(getpid());
    std::printf("%.6f %.6f %ld %d\n", Milliseconds(t1 - t0), Milliseconds(t2 - t1), after - before,
                ip || web);
    return 0;
}

struct ChildFigures {
    std::vector<double> first, second, kb;
};

void RunChild(const std::string& self, const std::string& database, bool index,
              ChildFigures& figures) {
    auto result =
        providertest::RunChild({self, "child", database, index ? "index" : "walk"}, {}, 600);
    double first = 0, second = 0, kb = 0;
    int hit = 1;
    std::istringstream(result.out) >> first >> second >> kb >> hit;
    if (result.exitCode != 0 || hit != 0)
        std::fprintf(stderr, "child failed: %s\n", result.err.c_str());
    figures.first.push_back(first);
    figures.second.push_back(second);
    figures.kb.push_back(kb);
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "child")
        return Child(argv[2], std::string(argv[3]) == "index");
    const std::string self = std::filesystem::canonical("/proc/self/exe").string();
    std::vector<long> sizes = {1000, 100000, 1000000};
    if (argc > 1) {
        sizes.clear();
        for (int i = 1; i < argc; ++i)
            sizes.push_back(std::atol(argv[i]));
    }

    char folder[] = "/tmp/hookwise-first-lookup-XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    const std::string root = folder;
    const std::string running = root + "/run";
    const std::string app = root + "/app";
    std::filesystem::create_directories(running);
    std::filesystem::permissions(running, std::filesystem::perms::owner_all);
    std::filesystem::create_directories(app);
    setenv("XDG_RUNTIME_DIR", running.c_str(), 1);
    setenv("HOOKWISE_REGISTRY", (root + "/registry.db").c_str(), 1);
    RegistryReopenForTesting();
    if (!providertest::SetAppPath(app))
        return 1;
    ChannelReceiver receiver(
        [](std::uint32_t, const std::uint8_t*, std::uint32_t) -> std::int32_t { return 1; });
    if (receiver.Listen("Baitguard Server Handler") != ERROR_SUCCESS)
        return 1;
    channeltest::ReceiverLoop loop(receiver);
    loop.Start();
    const std::vector<std::string> environment = {"XDG_RUNTIME_DIR=" + running,
                                                  std::string("HOOKWISE_REGISTRY=") +
                                                      getenv("HOOKWISE_REGISTRY")};
    const std::vector<std::string> curl = {"curl",       "-s",  "--noproxy", "*",
                                           "--max-time", "600", "{URL}fine"};

    std::printf("%-9s %-38s %12s %12s %12s\n", "entries", "figure", "index", "walk", "index/walk");
    for (long size : sizes) {
        const std::string database = root + "/hkwdb2-" + std::to_string(size) + ".pbd";
        const std::string index = definition_index::IndexPathFor(database);
        std::string error;
        if (!benchdefs::WriteWorkingCopy(database, size) ||
            !BuildDefinitionIndex(database, index, error)) {
            std::fprintf(stderr, "cannot make the database: %s\n", error.c_str());
            return 1;
        }
        ChildFigures indexed, walked;
        for (int round = 0; round < kRounds; ++round) {
            RunChild(self, database, true, indexed);
            RunChild(self, database, false, walked);
        }
        auto row = [&](const char* figure, double a, double b) {
            std::printf("%-9ld %-38s %12.4f %12.4f %12.6f\n", size, figure, a, b, b ? a / b : 0);
        };
        row("first lookup, fresh process (ms)", Median(indexed.first), Median(walked.first));
        row("second lookup (ms)", Median(indexed.second), Median(walked.second));
        row("private memory added (kB)", Median(indexed.kb), Median(walked.kb));

        // curl: the provider finds the working copy through "App Path"; hard links keep the
        // identity the index names.
        const std::string working = app + "/hkwdb2.pbd";
        const std::string workingIndex = app + "/hkwdb2.pbi";
        std::filesystem::remove(working);
        std::filesystem::remove(workingIndex);
        std::filesystem::create_hard_link(database, working);
        std::vector<double> offSeconds, offKb, onSeconds, onKb, walkSeconds, walkKb;
        for (int round = 0; round < kCurlRounds; ++round) {
            std::vector<std::string> env = environment;
            env.push_back("LD_PRELOAD=");
            auto off = providertest::HoldRequest(curl, env, 600);
            env.back() = std::string("LD_PRELOAD=") + BENCH_PROVIDER_PATH;
            std::filesystem::create_hard_link(index, workingIndex);
            auto on = providertest::HoldRequest(curl, env, 600);
            std::filesystem::remove(workingIndex);
            auto walk = providertest::HoldRequest(curl, env, 600);
            if (!off.arrived || !on.arrived || !walk.arrived)
                std::fprintf(stderr, "a curl request did not arrive\n");
            offSeconds.push_back(off.secondsToRequest * 1000);
            offKb.push_back(static_cast<double>(off.privateDirtyKb));
            onSeconds.push_back(on.secondsToRequest * 1000);
            onKb.push_back(static_cast<double>(on.privateDirtyKb));
            walkSeconds.push_back(walk.secondsToRequest * 1000);
            walkKb.push_back(static_cast<double>(walk.privateDirtyKb));
        }
        row("curl start to request (ms)", Median(onSeconds), Median(walkSeconds));
        std::printf("%-9ld %-38s %12.4f\n", size, "curl start to request, no provider (ms)",
                    Median(offSeconds));
        row("curl Private_Dirty, provider (kB)", Median(onKb), Median(walkKb));
        std::printf("%-9ld %-38s %12.0f\n", size, "curl Private_Dirty, no provider (kB)",
                    Median(offKb));
        row("provider adds to Private_Dirty (kB)", Median(onKb) - Median(offKb),
            Median(walkKb) - Median(offKb));
        std::fflush(stdout);
        std::filesystem::remove(working);
        std::filesystem::remove(database);
        std::filesystem::remove(index);
    }
    loop.Stop();
    receiver.Close();
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
    return 0;
}
