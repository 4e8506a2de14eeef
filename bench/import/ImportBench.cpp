// bench_import: times hkwdefs import of 1,000,000 feed lines and, in the same run, the baselines it
// is quoted against: reading and counting the lines (wc -l), sort -u of the same file, and
// hkwdefs compile of the entries the import wrote.
//   bench_import [LINES]    (default 1000000)
// Each figure is the best of three runs. Exits 1 when the import takes 5 s or more.
#include "tools/hkwdefs/FileIo.h"
#include "tools/hkwdefs/feeds/FeedImport.h"
#include "tools/hkwdefs/feeds/PlainOutput.h"
#include "engine/WellKnownSites.h"
#include "FeedLinesGenerator.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

using namespace hookwise::tools;

namespace {

namespace fs = std::filesystem;

constexpr int kRuns = 3;
constexpr double kImportLimitSeconds = 5.0;

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// The best of kRuns runs of work, in seconds; false from work stops the measuring.
bool Best(const std::function<bool()>& work, double& seconds) {
    seconds = 1e30;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        if (!work())
            return false;
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        seconds = std::min(seconds, took.count());
    }
    return true;
}

bool RunCommand(const std::string& command) {
    const int status = std::system((command + " >/dev/null").c_str());
    if (status != 0)
        std::fprintf(stderr, "bench_import: failed (%d): %s\n", status, command.c_str());
    return status == 0;
}

void PrintRow(const char* what, double seconds, double importSeconds) {
    std::printf("  %-44s %8.3f s   import / this = %6.2f\n", what, seconds,
                importSeconds / seconds);
}

} // namespace

int main(int argc, char** argv) {
    const long lines = argc > 1 ? std::atol(argv[1]) : 1000000;
    if (lines <= 0) {
        std::fprintf(stderr, "usage: bench_import [LINES]\n");
        return 2;
    }
    char pattern[] = "/tmp/hookwise-bench-import-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (!made) {
        std::perror("bench_import: mkdtemp");
        return 1;
    }
    const fs::path dir = made;
    const std::string feed = (dir / "feed.txt").string();
    const std::string plain = (dir / "imported.ini").string();
    std::string error;
    const std::string text = benchfeeds::MakeFeedLines(lines);
    if (!WriteFileReplacing(feed, text, error)) {
        std::fprintf(stderr, "bench_import: %s\n", error.c_str());
        return 1;
    }
    std::printf("bench_import: %ld feed lines, %.1f MB, in %s\n", lines, text.size() / 1e6,
                feed.c_str());

    WellKnownSites sites;
    sites.AddFile(BENCH_WELL_KNOWN_SITES);

    double countSeconds = 0;
    std::size_t counted = 0;
    double sortSeconds = 0;
    double librarySeconds = 0;
    double toolSeconds = 0;
    ImportReport last;
    const bool measured =
        Best(
            [&] {
                std::string bytes;
                if (!ReadFileBytes(feed, bytes, error))
                    return false;
                counted = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
                return true;
            },
            countSeconds) &&
        Best([&] { return RunCommand("LC_ALL=C sort -u " + Quoted(feed) + " -o /dev/null"); },
             sortSeconds) &&
        Best(
            [&] {
                ImportOptions options;
                options.wellKnown = &sites;
                last = ImportReport();
                return ImportFeeds({FeedInput::File(feed)}, options, last) &&
                       WriteImportedDefinitions(plain, {}, last.entries, "bench", error);
            },
            librarySeconds) &&
        Best(
            [&] {
                return RunCommand(Quoted(BENCH_HKWDEFS_PATH) + " import " + Quoted(feed) +
                                  " --well-known " + Quoted(BENCH_WELL_KNOWN_SITES) + " --output " +
                                  Quoted(plain));
            },
            toolSeconds);
    if (!measured) {
        std::fprintf(stderr, "bench_import: %s\n", error.c_str());
        return 1;
    }
    // Compiling a million entries is slow enough that one run tells.
    const auto start = std::chrono::steady_clock::now();
    const bool compiled =
        RunCommand(Quoted(BENCH_HKWDEFS_PATH) + " compile " + Quoted(plain) + " " +
                   Quoted((dir / "imported.pbd").string()) + " --version 12/01/2026");
    const std::chrono::duration<double> compileSeconds = std::chrono::steady_clock::now() - start;

    std::printf("  %s\n", DescribeFeedSummary(last.feeds.at(0)).c_str());
    std::printf("  lines counted: %zu\n", counted);
    std::printf("  %-44s %8.3f s\n", "hkwdefs import (the program, whole run)", toolSeconds);
    PrintRow("ImportFeeds + write (the library)", librarySeconds, toolSeconds);
    PrintRow("read and count the lines (wc -l)", countSeconds, toolSeconds);
    PrintRow("LC_ALL=C sort -u of the file", sortSeconds, toolSeconds);
    if (compiled)
        PrintRow("hkwdefs compile of the imported entries", compileSeconds.count(), toolSeconds);
    std::error_code ignored;
    fs::remove_all(dir, ignored);
    if (toolSeconds >= kImportLimitSeconds) {
        std::printf("bench_import: FAILED: import took %.2f s, the limit is %.0f s\n", toolSeconds,
                    kImportLimitSeconds);
        return 1;
    }
    return 0;
}
