// Update with large feeds from a local HTTPS server: the first run (fetch, import, compile and
// index of everything) and a run with every source unchanged (one conditional request each).
//
//   bench_update [LINES]   (default 1,000,000, half in an OpenPhish-format feed of pages, half
//                           in a hosts-format feed of whole hosts)
//
// Prints the wall time of each run, the entries written and the bytes fetched.
#include "tests/support/Files.h"
#include "UpdateHarness.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

} // namespace

int main(int argc, char** argv) {
    const long lines = argc > 1 ? std::atol(argv[1]) : 1000000;
    char pattern[] = "/tmp/hookwise-bench-update-XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        return 1;
    const std::string root = pattern;
    const std::string program = root + "/program";
    const std::string update = updatetest::StageProgramFolder(program);
    std::filesystem::create_directories(root + "/www");
    std::filesystem::create_directories(root + "/home");
    std::filesystem::create_directories(root + "/run");
    std::filesystem::permissions(root + "/run", std::filesystem::perms::owner_all);
    std::string error;
    if (!updatetest::MakeCertificates(root, error)) {
        std::fprintf(stderr, "certificates: %s\n", error.c_str());
        return 1;
    }
    std::string pages, hosts = "# generated\n";
    pages.reserve(static_cast<std::size_t>(lines) * 48);
    for (long i = 0; i < lines / 2; ++i)
        pages += "https://login-" + std::to_string(i) +
                 ".phish-bench.example/account/verify?id=" + std::to_string(i) + "\n";
    for (long i = 0; i < lines - lines / 2; ++i)
        hosts += "0.0.0.0 host-" + std::to_string(i) + ".bad-bench.example\n";
    testsupport::WriteFile(root + "/www/pages.txt", pages);
    testsupport::WriteFile(root + "/www/hosts.txt", hosts);
    updatetest::FeedServer server;
    if (!server.Start(root + "/server.pem", root + "/server.key", root + "/www",
                      root + "/server.log"))
        return 1;
    testsupport::WriteFile(root + "/sources.conf", "openphish " + server.Url("pages.txt") +
                                                       "\nhosts " + server.Url("hosts.txt") + "\n");
    const std::vector<std::string> env = updatetest::Environment(
        {"HOME=" + root + "/home", "XDG_RUNTIME_DIR=" + root + "/run",
         "HOOKWISE_REGISTRY=" + root + "/registry.db", "no_proxy=*"},
        {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "HOOKWISE_WELL_KNOWN_SITES"});
    const std::vector<std::string> command = {update, "--sources", root + "/sources.conf",
                                              "--ca-file", root + "/ca.pem"};

    std::printf("Update, %ld feed lines (%.1f MB) from https://127.0.0.1\n", lines,
                static_cast<double>(pages.size() + hosts.size()) / 1e6);
    for (const char* label :
         {"first run (fetch + import + compile + index)", "every source unchanged"}) {
        const auto start = Clock::now();
        const updatetest::RunResult run = updatetest::Run(command, env, root + "/run-out", 600000);
        const double took = Seconds(Clock::now() - start);
        if (run.exitCode != 0) {
            std::fprintf(stderr, "Update failed (%d): %s\n", run.exitCode, run.err.c_str());
            return 1;
        }
        std::printf("  %-46s %7.2f s\n", label, took);
        std::fputs(run.out.c_str(), stdout);
    }
    const auto size = std::filesystem::file_size(program + "/hkwdb1.pbd");
    const auto index = std::filesystem::file_size(program + "/hkwdb1.pbi");
    std::printf("  hkwdb1.pbd %.1f MB, hkwdb1.pbi %.1f MB\n", static_cast<double>(size) / 1e6,
                static_cast<double>(index) / 1e6);
    server.Stop();
    std::filesystem::remove_all(root);
    return 0;
}
