// The definitions' way from the plain source to a running tray program, at 1,000, 142,858 (a
// million entries in all) and 1,000,000 entries per list:
//   - hkwdefs compile of the plain source (the shipped file), and hkwdefs index of a working copy;
//   - the tray program's start-up step: deciphering into the working copy alone (as before the
//     index) against deciphering with the index, in this process;
//   - HookWs itself, started offscreen from a staged program folder: from its start until its
//     channel answers, with the definitions compiled (a first start) and unchanged since the last
//     start (its kept index reused);
//   - new definitions while HookWs runs: from the end of an update (the new definitions renamed
//     into place) until a lookup in another process answers from them, with the index written by
//     the update program beside them and without (HookWs compiles it).
// Prints each figure and, for the start-up step, the ratio of the step with the index to the step
// without it; for the reuse and the switch, the ratio to the compile path measured in the same run.
#include "core/definitions/ShippedFile.h"
#include "core/definitions/WorkingCopy.h"
#include "engine/DefinitionIndexFormat.h"
#include "engine/LSPGlobals.h"
#include "engine/index/DefinitionIndexBuilder.h"
#include "platform/Window.h"
#include "tests/app/tray_e2e/TrayProcess.h"
#include "BenchDefinitions.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

using namespace hookwise::core;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

std::string Quoted(const std::string& text) {
    return "'" + text + "'";
}

// Runs a shell command and gives its wall time in seconds, or -1 when it failed.
double Timed(const std::string& command) {
    const auto start = Clock::now();
    const int rc = std::system(command.c_str());
    const double seconds = Seconds(Clock::now() - start);
    return rc == 0 ? seconds : -1;
}

std::vector<std::string> TrayBenchEnvironment(const std::string& root, const std::string& program) {
    return {"HOOKWISE_REGISTRY=" + root + "/registry.db",
            "XDG_RUNTIME_DIR=" + root + "/run",
            "XDG_CONFIG_HOME=" + root + "/config",
            "XDG_DATA_HOME=" + root + "/data",
            "HOOKWISE_CATALOG=" + root + "/protocols.catalog",
            "HOME=" + root + "/home",
            "QT_QPA_PLATFORM=offscreen",
            "LD_LIBRARY_PATH=" + program,
            "HOOKWISE_MESSAGE_TIMEOUT_MS=300",
            "HOOKWISE_UPDATE_AT_START=0"};
}

// Starts HookWs from the staged program folder in root and gives the seconds until its channel
// answers, or -1.
double StartTray(const std::string& root, traye2e::TrayProcess& tray) {
    const std::string program = root + "/program";
    fs::create_directories(root + "/run");
    fs::permissions(root + "/run", fs::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", (root + "/run").c_str(), 1);
    const auto start = Clock::now();
    if (!tray.Start(program + "/HookWs", {}, TrayBenchEnvironment(root, program),
                    root + "/tray.out"))
        return -1;
    while (Seconds(Clock::now() - start) < 300 && tray.Running()) {
        if (FindWindowA(nullptr, "Baitguard Server Handler") != nullptr)
            return Seconds(Clock::now() - start);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return -1;
}

void StopTray(traye2e::TrayProcess& tray) {
    tray.Signal(SIGTERM);
    tray.Wait(60000);
}

double HookWsStart(const std::string& root, const std::string& shipped) {
    const std::string program = root + "/program";
    fs::remove_all(root);
    traye2e::StageProgramFolder(program);
    fs::copy_file(shipped, program + "/hkwdb1.pbd", fs::copy_options::overwrite_existing);
    traye2e::TrayProcess tray;
    const double seconds = StartTray(root, tray);
    StopTray(tray);
    return seconds;
}

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteWhole(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Puts new definitions into the data folder as the update program does: with indexed, the index
// of their working copy first (hkwdb1.pbi), then the definitions (hkwdb1.pbd), each renamed into
// place. Then waits until a lookup of newUrl through the working copy answers "listed"; the
// seconds from the last rename, or -1.
double Switch(const std::string& folder, const std::string& shipped, bool indexed,
              const std::string& newUrl) {
    if (indexed) {
        const std::string working = folder + "/bench-working.pbd";
        if (DecipherDefinitions(shipped, working, ReadDefinitionsVersion(shipped)).status !=
            DecipherOutcome::Written)
            return -1;
        std::string index, error;
        const bool compiled = CompileDefinitionIndex(ReadWhole(working), {}, index, error);
        fs::remove(working);
        if (!compiled)
            return -1;
        WriteWhole(folder + "/hkwdb1.pbi.new", index);
        fs::rename(folder + "/hkwdb1.pbi.new", folder + "/hkwdb1.pbi");
    }
    fs::copy_file(shipped, folder + "/hkwdb1.pbd.new", fs::copy_options::overwrite_existing);
    fs::rename(folder + "/hkwdb1.pbd.new", folder + "/hkwdb1.pbd");
    const auto start = Clock::now();
    std::snprintf(CLSPGlobals::szDBPath, sizeof CLSPGlobals::szDBPath, "%s/hkwdb2.pbd",
                  folder.c_str());
    while (Seconds(Clock::now() - start) < 300) {
        char url[261];
        std::snprintf(url, sizeof url, "%s", newUrl.c_str());
        if (CLSPGlobals::IsBadUrl(url))
            return Seconds(Clock::now() - start);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<long> sizes = {1000, 142858, 1000000};
    if (argc > 1) {
        sizes.clear();
        for (int i = 1; i < argc; ++i)
            sizes.push_back(std::atol(argv[i]));
    }
    char folder[] = "/tmp/hookwise-startup-bench-XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    const std::string root = folder;
    std::printf("%-9s %-44s %10s %10s\n", "per list", "figure", "seconds", "ratio");
    for (long size : sizes) {
        const std::string plain = root + "/defs.ini";
        const std::string shipped = root + "/hkwdb1.pbd";
        const std::string working = root + "/hkwdb2.pbd";
        if (!benchdefs::WritePlainSource(plain, size))
            return 1;
        auto row = [&](const char* figure, double seconds, double ratio) {
            if (ratio > 0)
                std::printf("%-9ld %-44s %10.3f %10.3f\n", size, figure, seconds, ratio);
            else
                std::printf("%-9ld %-44s %10.3f\n", size, figure, seconds);
            std::fflush(stdout);
        };
        const double compile = Timed(Quoted(BENCH_HKWDEFS_PATH) + " compile " + Quoted(plain) +
                                     " " + Quoted(shipped) + " --version 12/01/2026 >/dev/null");
        row("hkwdefs compile", compile, 0);
        const std::string version = ReadDefinitionsVersion(shipped);

        auto start = Clock::now();
        DecipherOutcome alone = DecipherDefinitions(shipped, working, version);
        const double withoutIndex = Seconds(Clock::now() - start);
        start = Clock::now();
        DecipherOutcome indexed =
            DecipherDefinitions(shipped, working, version, definition_index::IndexPathFor(working));
        const double withIndex = Seconds(Clock::now() - start);
        if (alone.status != DecipherOutcome::Written || indexed.status != DecipherOutcome::Written)
            std::fprintf(stderr, "start-up step failed\n");
        row("start-up step: decipher + working copy", withoutIndex, 0);
        row("start-up step: decipher + copy + index", withIndex, withIndex / withoutIndex);
        const double index = Timed(Quoted(BENCH_HKWDEFS_PATH) + " index " + Quoted(working) + " " +
                                   Quoted(root + "/other.pbi") + " >/dev/null");
        row("hkwdefs index", index, 0);
        const double compiledStart = HookWsStart(root + "/tray", shipped);
        row("HookWs start until its channel answers", compiledStart, 0);
        {
            // The same folder again: the index kept by the first start is reused.
            traye2e::TrayProcess tray;
            const double unchanged = StartTray(root + "/tray", tray);
            row("HookWs start, definitions unchanged", unchanged,
                unchanged > 0 ? unchanged / compiledStart : 0);
            // Updates while it runs: one entry more each time, listed only in the new set.
            const std::string program = root + "/tray/program";
            double switched[2] = {-1, -1};
            for (int i = 0; i < 2; ++i) {
                const std::string updated = root + "/updated.pbd";
                const std::string version = i == 0 ? "12/02/2026" : "12/03/2026";
                if (!benchdefs::WritePlainSource(plain, size + 1 + i) ||
                    Timed(Quoted(BENCH_HKWDEFS_PATH) + " compile " + Quoted(plain) + " " +
                          Quoted(updated) + " --version " + version + " >/dev/null") < 0)
                    break;
                std::string url = benchdefs::HostLinkEntry(size + 1 + i);
                switched[i] = Switch(program, updated, i == 0, url);
                fs::remove(updated);
            }
            row("update to answers, index from the update", switched[0],
                switched[0] > 0 && switched[1] > 0 ? switched[0] / switched[1] : 0);
            row("update to answers, index compiled by HookWs", switched[1], 0);
            StopTray(tray);
        }
        for (const char* name :
             {"/defs.ini", "/hkwdb1.pbd", "/hkwdb2.pbd", "/hkwdb2.pbi", "/other.pbi"})
            fs::remove(root + name);
        fs::remove_all(root + "/tray");
    }
    fs::remove_all(root);
    return 0;
}
