// What the interception provider adds to `connect` for an unlisted address, and to `connect` and
// the first write of a TLS ClientHello for an unlisted server name: runs
// bench_connect_loop without the preload, with it while the tray program is not running, and with
// it while a receiver listens and the working database lists 3 or 100 hosts, and with a new
// address on every call (nothing remembered helps). Prints each median and 99th percentile and
// the median's ratio to the run without the preload that makes the same calls.
#include "engine/LSPGlobals.h"
#include "platform/ChannelReceiver.h"
#include "platform/Registry.h"
#include "tests/platform/channel/ReceiverLoop.h"
#include "tests/provider/ProviderHarness.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

using namespace hookwise::platform;

using providertest::RunChild;

namespace {

constexpr int kRounds = 15; // each configuration runs this often, interleaved; medians are kept

struct Sample {
    double median = 0, p99 = 0;
};

Sample RunLoop(const std::vector<std::string>& environment, bool spread, bool hello) {
    std::vector<std::string> argv = {BENCH_CONNECT_LOOP_PATH, "20000", spread ? "spread" : "same"};
    if (hello)
        argv.push_back("hello");
    auto result = RunChild(argv, environment, 120);
    Sample sample;
    std::istringstream(result.out) >> sample.median >> sample.p99;
    return sample;
}

std::vector<providertest::DefinitionEntry> HostList(int count) {
    std::vector<providertest::DefinitionEntry> entries;
    for (int i = 1; i <= count; ++i)
        entries.push_back({"HostIP", "IP" + std::to_string(i), "198.51.100." + std::to_string(i)});
    // As many HostLink entries, whose hosts the server-name lookup of a ClientHello consults.
    for (int i = 1; i <= count; ++i)
        entries.push_back({"HostLink", "HLINK" + std::to_string(i),
                           "phish" + std::to_string(i) + ".example/login.html"});
    return entries;
}

double MedianOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main() {
    char folder[] = "/tmp/hookwise-bench-XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    std::string root = folder;
    std::string idle = root + "/run-idle", running = root + "/run";
    mkdir(idle.c_str(), 0700);
    mkdir(running.c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", running.c_str(), 1);
    setenv("HOOKWISE_REGISTRY", (root + "/registry.db").c_str(), 1);
    RegistryReopenForTesting();
    std::string app = root + "/app";
    mkdir(app.c_str(), 0700);
    if (!providertest::SetAppPath(app))
        return 1;

    ChannelReceiver receiver(
        [](std::uint32_t, const std::uint8_t*, std::uint32_t) -> std::int32_t { return 1; });
    if (receiver.Listen("Baitguard Server Handler") != ERROR_SUCCESS)
        return 1;
    channeltest::ReceiverLoop loop(receiver);
    loop.Start();

    std::string preload = std::string("LD_PRELOAD=") + BENCH_PROVIDER_PATH;
    std::string registry = std::string("HOOKWISE_REGISTRY=") + getenv("HOOKWISE_REGISTRY");
    struct Config {
        const char* name;
        std::vector<std::string> environment;
        int hosts;   // working database size; 0: none
        bool spread; // a new address on every call
        std::vector<double> medians, p99s;
        bool hello = false; // connect and the first write of a TLS ClientHello, timed together
    };
    std::vector<Config> configs = {
        {"no provider", {"LD_PRELOAD=", "XDG_RUNTIME_DIR=" + running, registry}, 3, false, {}, {}},
        {"provider, tray program not running",
         {preload, "XDG_RUNTIME_DIR=" + idle, registry},
         0,
         false,
         {},
         {}},
        {"provider, tray running, 3 listed hosts",
         {preload, "XDG_RUNTIME_DIR=" + running, registry},
         3,
         false,
         {},
         {}},
        {"provider, tray running, 100 listed hosts",
         {preload, "XDG_RUNTIME_DIR=" + running, registry},
         100,
         false,
         {},
         {}},
        {"no provider, a new address every call",
         {"LD_PRELOAD=", "XDG_RUNTIME_DIR=" + running, registry},
         3,
         true,
         {},
         {}},
        {"tray running, 100 hosts, new address every call",
         {preload, "XDG_RUNTIME_DIR=" + running, registry},
         100,
         true,
         {},
         {}},
        {"no provider, connect + ClientHello",
         {"LD_PRELOAD=", "XDG_RUNTIME_DIR=" + running, registry},
         100,
         false,
         {},
         {},
         true},
        {"provider, tray not running, connect + ClientHello",
         {preload, "XDG_RUNTIME_DIR=" + idle, registry},
         0,
         false,
         {},
         {},
         true},
        {"tray running, 100 hosts, connect + ClientHello",
         {preload, "XDG_RUNTIME_DIR=" + running, registry},
         100,
         false,
         {},
         {},
         true},
    };
    for (int round = 0; round < kRounds; ++round) {
        for (Config& config : configs) {
            std::string database = app + "/hkwdb2.pbd";
            if (config.hosts > 0)
                providertest::WriteWorkingDatabase(database, HostList(config.hosts));
            else
                unlink(database.c_str());
            Sample sample = RunLoop(config.environment, config.spread, config.hello);
            config.medians.push_back(sample.median);
            config.p99s.push_back(sample.p99);
        }
    }
    loop.Stop();
    receiver.Close();
    std::string cleanup = "rm -rf '" + root + "'";
    [[maybe_unused]] int rc = std::system(cleanup.c_str());

    // Each configuration against the run without the provider that calls the same addresses.
    double base = MedianOf(configs[0].medians);
    double spreadBase = MedianOf(configs[4].medians);
    double helloBase = MedianOf(configs[6].medians);
    std::printf("connect to an unlisted port on loopback, 20000 calls per run, median of %d runs "
                "(nanoseconds)\n",
                kRounds);
    for (const Config& config : configs) {
        double median = MedianOf(config.medians);
        std::printf("  %-50s median %8.0f  p99 %8.0f  (median %+.1f%% vs no provider)\n",
                    config.name, median, MedianOf(config.p99s),
                    (median / (config.hello    ? helloBase
                               : config.spread ? spreadBase
                                               : base) -
                     1) *
                        100);
    }
    return 0;
}
