// The HTTP server, the child runner and the database set-up of the provider tests.
#include "tests/provider/ProviderHarness.h"

#include "engine/LSPGlobals.h"
#include "platform/Registry.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>

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

namespace {

int BindLoopback(const std::string& address, std::uint16_t port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    inet_pton(AF_INET, address.c_str(), &addr.sin_addr);
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 64) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

std::uint16_t BoundPort(int fd) {
    sockaddr_in addr{};
    socklen_t length = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length);
    return ntohs(addr.sin_port);
}

} // namespace

bool HttpServer::Start(const std::vector<std::string>& addresses) {
    for (int attempt = 0; attempt < 20 && listeners_.empty(); ++attempt) {
        std::uint16_t port = 0;
        for (const std::string& address : addresses) {
            int fd = BindLoopback(address, port);
            if (fd < 0)
                break;
            if (port == 0)
                port = BoundPort(fd);
            listeners_.push_back(fd);
        }
        if (listeners_.size() == addresses.size()) {
            port_ = port;
            break;
        }
        for (int fd : listeners_)
            close(fd);
        listeners_.clear();
    }
    if (listeners_.empty() || pipe2(wake_, O_CLOEXEC) != 0)
        return false;
    thread_ = std::thread([this] { Run(); });
    return true;
}

void HttpServer::Stop() {
    if (thread_.joinable()) {
        char byte = 1;
        [[maybe_unused]] ssize_t n = write(wake_[1], &byte, 1);
        thread_.join();
    }
    for (auto& worker : workers_)
        worker.join();
    workers_.clear();
    for (int fd : listeners_)
        close(fd);
    listeners_.clear();
    for (int& fd : wake_) {
        if (fd >= 0)
            close(fd);
        fd = -1;
    }
}

std::vector<std::string> HttpServer::Requests() {
    std::lock_guard lock(mutex_);
    return requests_;
}

void HttpServer::Run() {
    for (;;) {
        std::vector<pollfd> fds;
        for (int fd : listeners_)
            fds.push_back({fd, POLLIN, 0});
        fds.push_back({wake_[0], POLLIN, 0});
        if (poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR)
            return;
        if (fds.back().revents)
            return;
        for (std::size_t i = 0; i + 1 < fds.size(); ++i) {
            if (!(fds[i].revents & POLLIN))
                continue;
            int client = accept4(fds[i].fd, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0)
                workers_.emplace_back([this, client] { Serve(client); });
        }
    }
}

// Waits up to 5 s for a request head: a request held while the tray program decides (an open
// alert) reaches the server late.
void HttpServer::Serve(int fd) {
    std::string head;
    char buffer[2048];
    while (head.find("\r\n\r\n") == std::string::npos) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 5000) <= 0)
            break;
        ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        head.append(buffer, static_cast<std::size_t>(n));
    }
    if (head.find("\r\n\r\n") != std::string::npos) {
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(head);
        }
        static const char kReply[] = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nConnection: "
                                     "close\r\n\r\nhello";
        [[maybe_unused]] ssize_t n = send(fd, kReply, sizeof kReply - 1, MSG_NOSIGNAL);
    }
    close(fd);
}

std::vector<std::string> EnvironmentWith(const std::vector<std::string>& extra) {
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        bool replaced = false;
        for (const std::string& x : extra)
            replaced |= entry.substr(0, entry.find('=') + 1) == x.substr(0, x.find('=') + 1);
        if (!replaced)
            environment.push_back(entry);
    }
    environment.insert(environment.end(), extra.begin(), extra.end());
    return environment;
}

ChildResult RunChild(const std::vector<std::string>& argv, const std::vector<std::string>& extra,
                     int timeoutSeconds) {
    ChildResult result;
    std::vector<std::string> environment = EnvironmentWith(extra);
    std::vector<char*> envp, args;
    for (auto& e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> argvCopy = argv;
    for (auto& a : argvCopy)
        args.push_back(a.data());
    args.push_back(nullptr);

    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
        return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    pid_t pid = -1;
    int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    if (rc != 0) {
        close(out[0]);
        close(err[0]);
        result.err = std::string("cannot start ") + args[0] + ": " + std::strerror(rc);
        return result;
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    int open = 2;
    while (open > 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0) {
            kill(pid, SIGKILL);
            break;
        }
        if (poll(fds, 2, static_cast<int>(left)) < 0 && errno != EINTR)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !fds[i].revents)
                continue;
            char buffer[4096];
            ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                (i == 0 ? result.out : result.err).append(buffer, static_cast<std::size_t>(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (auto& p : fds) {
        if (p.fd >= 0)
            close(p.fd);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

void WriteWorkingDatabase(const std::string& path, const std::vector<DefinitionEntry>& entries) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::string section;
    for (const DefinitionEntry& entry : entries) {
        if (entry.section != section) {
            section = entry.section;
            out << "[" << CLSPGlobals::EncryptString(section) << "]\r\n";
        }
        out << CLSPGlobals::EncryptString(entry.key) << "="
            << CLSPGlobals::EncryptString(entry.value) << "\r\n";
    }
}

bool SetAppPath(const std::string& folder) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Corvane\\Hookwise", 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    LONG rc =
        RegSetValueExA(key, "App Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                       static_cast<DWORD>(folder.size() + 1));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

} // namespace providertest
