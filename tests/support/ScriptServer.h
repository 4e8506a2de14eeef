// Test support: a server script run as a child process of the test, which prints its port on the
// first line of its output and ends when its standard input closes.
#pragma once

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace testsupport {

class ScriptServer {
public:
    ~ScriptServer() { Stop(); }

    // Starts argv (argv[0] a path) and waits up to 10 s for its port; false when it did not
    // start or printed no port.
    bool Start(std::vector<std::string> argv) {
        int in[2], out[2];
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0)
            return false;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        std::vector<char*> args;
        for (auto& a : argv)
            args.push_back(a.data());
        args.push_back(nullptr);
        int rc = posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(in[0]);
        close(out[1]);
        input_ = in[1];
        if (rc != 0) {
            close(out[0]);
            pid_ = -1;
            return false;
        }
        std::string line;
        char c = 0;
        pollfd p{out[0], POLLIN, 0};
        while (poll(&p, 1, 10000) > 0 && read(out[0], &c, 1) == 1 && c != '\n')
            line += c;
        close(out[0]);
        port_ = std::atoi(line.c_str());
        return port_ > 0;
    }

    // Closes the script's input and waits up to 5 s for it to end, then kills it.
    void Stop() {
        if (input_ >= 0)
            close(input_);
        input_ = -1;
        if (pid_ > 0) {
            for (int i = 0; i < 100 && waitpid(pid_, nullptr, WNOHANG) == 0; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
    }

    int Port() const { return port_; }

private:
    pid_t pid_ = -1;
    int input_ = -1;
    int port_ = 0;
};

} // namespace testsupport
