// Test support: runs a program with pipes on its standard input and output, and exchanges native
// messaging frames with it, as the browser does with its native host.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace browsertest {

class HostProcess {
public:
    HostProcess() = default;
    ~HostProcess();
    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;

    // Starts program with args (argv[0] is added); false when it cannot be started.
    bool Start(const std::string& program, const std::vector<std::string>& args);
    // Sends one frame: 32-bit length in native order, then the bytes.
    bool Send(const std::string& message);
    // The next frame, or nothing when none arrived within timeoutMs or the stream ended.
    std::optional<std::string> Receive(int timeoutMs = 10000);
    // Closes the program's input (the browser going away) and waits for it: its exit status, or
    // -1 when it had to be killed after timeoutMs.
    int Finish(int timeoutMs = 10000);

private:
    bool ReadExactly(void* data, std::size_t size, int timeoutMs);

    pid_t pid_ = -1;
    int input_ = -1;  // the program's stdin
    int output_ = -1; // the program's stdout
};

// Runs a command line to its end with a time limit; its exit status, or -1.
int RunCommand(const std::vector<std::string>& argv, std::string* output = nullptr,
               int timeoutMs = 60000);

} // namespace browsertest
