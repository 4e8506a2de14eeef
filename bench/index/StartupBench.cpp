// The definitions' way from the plain source to a running tray program, at 1,000, 142,858 (a
// million entries in all) and 1,000,000 entries per list:
//   - hkwdefs compile of the plain source (the shipped file), and hkwdefs index of a working copy;
//   - the tray program's start-up step: deciphering into the working copy alone (as before the
//     index) against deciphering with the index, in this process;
//   - HookWs itself, started offscreen from a staged program folder: from its start until its
//     channel answers.
// Prints each figure and, for the start-up step, the ratio of the step with the index to the step
// without it.
#include "BenchDefinitions.h"

#include "app/TrayApp.h"
#include "engine/DefinitionIndexFormat.h"
#include "platform/Window.h"
#include "tests/app/tray_e2e/TrayProcess.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <csignal>

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

double HookWsStart(const std::string& root, const std::string& shipped) {
    const std::string program = root + "/program";
    fs::remove_all(root);
    traye2e::StageProgramFolder(program);
    fs::copy_file(shipped, program + "/hkwdb1.pbd", fs::copy_options::overwrite_existing);
    fs::create_directories(root + "/run");
    fs::permissions(root + "/run", fs::perms::owner_all);
    const std::vector<std::string> environment = {"HOOKWISE_REGISTRY=" + root + "/registry.db",
                                                  "XDG_RUNTIME_DIR=" + root + "/run",
                                                  "XDG_CONFIG_HOME=" + root + "/config",
                                                  "XDG_DATA_HOME=" + root + "/data",
                                                  "HOOKWISE_CATALOG=" + root + "/protocols.catalog",
                                                  "HOME=" + root + "/home",
                                                  "QT_QPA_PLATFORM=offscreen",
                                                  "LD_LIBRARY_PATH=" + program,
                                                  "HOOKWISE_MESSAGE_TIMEOUT_MS=300",
                                                  "HOOKWISE_UPDATE_AT_START=0"};
    setenv("XDG_RUNTIME_DIR", (root + "/run").c_str(), 1);
    traye2e::TrayProcess tray;
    const auto start = Clock::now();
    if (!tray.Start(program + "/HookWs", {}, environment, root + "/tray.out"))
        return -1;
    double seconds = -1;
    while (Seconds(Clock::now() - start) < 300 && tray.Running()) {
        if (FindWindowA(nullptr, "Baitguard Server Handler") != nullptr) {
            seconds = Seconds(Clock::now() - start);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    tray.Signal(SIGTERM);
    tray.Wait(60000);
    return seconds;
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
        row("HookWs start until its channel answers", HookWsStart(root + "/tray", shipped), 0);
        for (const char* name :
             {"/defs.ini", "/hkwdb1.pbd", "/hkwdb2.pbd", "/hkwdb2.pbi", "/other.pbi"})
            fs::remove(root + name);
        fs::remove_all(root + "/tray");
    }
    fs::remove_all(root);
    return 0;
}
