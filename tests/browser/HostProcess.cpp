// Test support: child processes with pipes, native messaging frames over them, time limits.
#include "HostProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace browsertest {

namespace {

std::vector<char*> Argv(std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (auto& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    return argv;
}

// Waits for pid up to timeoutMs; kills it when it does not end. Its exit status, or -1.
int WaitFor(pid_t pid, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int status = 0;
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (done < 0 && errno != EINTR)
            return -1;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace

HostProcess::~HostProcess() {
    if (pid_ > 0)
        Finish(2000);
    if (output_ >= 0)
        close(output_);
}

bool HostProcess::Start(const std::string& program, const std::vector<std::string>& args) {
    int in[2];
    int out[2];
    if (pipe2(in, O_CLOEXEC) != 0)
        return false;
    if (pipe2(out, O_CLOEXEC) != 0) {
        close(in[0]);
        close(in[1]);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    std::vector<std::string> all = {program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv = Argv(all);
    int rc = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    if (rc != 0) {
        pid_ = -1;
        close(in[1]);
        close(out[0]);
        return false;
    }
    input_ = in[1];
    output_ = out[0];
    return true;
}

bool HostProcess::Send(const std::string& message) {
    std::uint32_t length = static_cast<std::uint32_t>(message.size());
    std::string frame(reinterpret_cast<const char*>(&length), sizeof length);
    frame += message;
    std::size_t sent = 0;
    while (sent < frame.size()) {
        ssize_t n = write(input_, frame.data() + sent, frame.size() - sent);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

bool HostProcess::ReadExactly(void* data, std::size_t size, int timeoutMs) {
    auto* out = static_cast<char*>(data);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (size > 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0)
            return false;
        pollfd p = {output_, POLLIN, 0};
        int ready = poll(&p, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        ssize_t n = read(output_, out, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        out += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

std::optional<std::string> HostProcess::Receive(int timeoutMs) {
    std::uint32_t length = 0;
    if (!ReadExactly(&length, sizeof length, timeoutMs))
        return std::nullopt;
    std::string message(length, '\0');
    if (length > 0 && !ReadExactly(message.data(), length, timeoutMs))
        return std::nullopt;
    return message;
}

int HostProcess::Finish(int timeoutMs) {
    if (input_ >= 0) {
        close(input_);
        input_ = -1;
    }
    if (pid_ <= 0)
        return -1;
    int status = WaitFor(pid_, timeoutMs);
    pid_ = -1;
    return status;
}

int RunCommand(const std::vector<std::string>& command, std::string* output, int timeoutMs) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
    std::vector<std::string> args = command;
    std::vector<char*> argv = Argv(args);
    pid_t pid = -1;
    int rc = posix_spawnp(&pid, args[0].c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (rc != 0) {
        close(out[0]);
        return -1;
    }
    // Read everything it writes while it runs, so a chatty program never blocks on a full pipe.
    std::string text;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char buffer[4096];
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0)
            break;
        pollfd p = {out[0], POLLIN, 0};
        int ready = poll(&p, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        ssize_t n = read(out[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    close(out[0]);
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now())
                    .count();
    int status = WaitFor(pid, left > 0 ? static_cast<int>(left) : 0);
    if (output)
        *output = text;
    return status;
}

} // namespace browsertest
