// HoldRequest: a listener on 127.0.0.1, the program spawned with its environment, the request
// head read, the program's smaps_rollup read, the answer sent.
#include "tests/provider/HeldRequest.h"

#include "tests/provider/ProviderHarness.h"

#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>
#include <sstream>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace providertest {

long PrivateDirtyKb(int pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/smaps_rollup");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("Private_Dirty:", 0) == 0)
            return std::atol(line.c_str() + 14);
    }
    return -1;
}

HeldRequest HoldRequest(std::vector<std::string> argv, const std::vector<std::string>& extra,
                        int timeoutSeconds) {
    HeldRequest result;
    int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener < 0 ||
        bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, 4) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (listener >= 0)
            close(listener);
        return result;
    }
    const std::string url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/";
    for (std::string& arg : argv) {
        for (std::size_t at; (at = arg.find("{URL}")) != std::string::npos;)
            arg.replace(at, 5, url);
    }

    std::vector<std::string> environment = EnvironmentWith(extra);
    std::vector<char*> envp, args;
    for (auto& e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    for (auto& a : argv)
        args.push_back(a.data());
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        close(listener);
        return result;
    }

    pollfd waitFor{listener, POLLIN, 0};
    int connection = -1;
    if (poll(&waitFor, 1, timeoutSeconds * 1000) == 1)
        connection = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection >= 0) {
        char buffer[4096];
        while (result.head.find("\r\n\r\n") == std::string::npos) {
            pollfd readable{connection, POLLIN, 0};
            if (poll(&readable, 1, timeoutSeconds * 1000) != 1)
                break;
            ssize_t n = read(connection, buffer, sizeof buffer);
            if (n <= 0)
                break;
            result.head.append(buffer, static_cast<std::size_t>(n));
        }
        result.arrived = result.head.find("\r\n\r\n") != std::string::npos;
        result.secondsToRequest =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        result.privateDirtyKb = PrivateDirtyKb(pid);
        static const char kAnswer[] =
            "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nConnection: close\r\n\r\nhello";
        [[maybe_unused]] ssize_t sent = write(connection, kAnswer, sizeof kAnswer - 1);
        close(connection);
    }
    close(listener);
    if (!result.arrived)
        kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

} // namespace providertest
