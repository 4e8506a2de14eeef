// Test support: tests/app/tray_e2e/tls_server.py, a small HTTPS server on 127.0.0.1, as a child
// process of the test.
#pragma once

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
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

// tls_server.py as a child: its port from the first line of its output, its log of connections.
class TlsServer {
public:
    ~TlsServer() { Stop(); }

    // host: the host of the images of the page "/six" (none when empty).
    bool Start(const std::string& cert, const std::string& key, const std::string& log,
               const std::string& host = "") {
        log_ = log;
        int in[2], out[2];
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0)
            return false;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        std::string script = std::string(HOOKWISE_SOURCE_DIR) + "/tests/app/tray_e2e/tls_server.py";
        std::vector<std::string> argv = {"/usr/bin/python3", script, cert, key, log};
        if (!host.empty())
            argv.push_back(host);
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

    // The log's lines so far, waiting a little for the line of a connection just ended.
    std::vector<std::string> Lines(std::size_t atLeast) const {
        std::vector<std::string> lines;
        for (int i = 0; i < 100; ++i) {
            lines.clear();
            std::ifstream in(log_);
            for (std::string line; std::getline(in, line);)
                lines.push_back(line);
            if (lines.size() >= atLeast)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return lines;
    }

private:
    pid_t pid_ = -1;
    int input_ = -1;
    int port_ = 0;
    std::string log_;
};

} // namespace testsupport
