// Test support for the end-to-end tests: a staged program folder and HookWs running in it as a
// process of its own, with its own registry, runtime and configuration folders.
#pragma once

#include <string>
#include <vector>

#include <sys/types.h>

namespace traye2e {

// Copies what the program folder holds when installed (the program, the engine library, the
// provider and its installer, the shipped definitions, the movie folder) into folder.
void StageProgramFolder(const std::string& folder);

// HookWs as a child process; its standard output and error go to a file.
class TrayProcess {
public:
    TrayProcess() = default;
    ~TrayProcess(); // kills a process still running
    TrayProcess(const TrayProcess&) = delete;
    TrayProcess& operator=(const TrayProcess&) = delete;

    // Starts program with args and the current environment plus extra ("NAME=value" entries
    // replace the same names). False when it cannot be started.
    bool Start(const std::string& program, const std::vector<std::string>& args,
               const std::vector<std::string>& extra, const std::string& outputPath);
    bool Signal(int signal) const;
    // Waits for the end up to timeoutMs; the exit code, or -1 when it was killed by a signal or
    // did not end in time (it is killed then).
    int Wait(int timeoutMs);
    bool Running();
    pid_t Pid() const { return pid_; }

private:
    pid_t pid_ = -1;
};

// The environment entries with extra applied over the current environment.
std::vector<std::string> MergedEnvironment(const std::vector<std::string>& extra);

std::string ReadFile(const std::string& path);

} // namespace traye2e
