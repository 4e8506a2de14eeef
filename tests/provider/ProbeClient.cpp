// provider_probe: makes one kind of socket call at a time, so the tests can run it with the
// provider preloaded and see what the call returned.
//
//     provider_probe MODE IP PORT HOST PATH
//
// MODE: connect, send, write, writev, sendmsg, sendto (connect, then the request through that
// call, then the answer's first line read: "MODE ok errno=N reply=LINE"), fastopen (sendto with
// MSG_FASTOPEN on an unconnected socket, then the same), answered (see Answered), udp (the request
// as a UDP datagram), file (the request written to /dev/null), threads (8 threads connecting 25
// times each), later (connect, wait for the test's signal, connect again); tls-send, tls-write,
// tls-writev, tls-sendmsg, tls-sendto, tls-fastopen (a TLS ClientHello naming HOST as the first
// write through that call), tls-split (the ClientHello in two writes, the name in the second,
// then one more write). Prints "MODE ok errno=N" (N: errno after the call, which was 4242 before
// it) or "MODE fail N"; tls-split prints one "ok" or "fail N" per write. connect6: connect to
// the IPv6 address IP. visit: getaddrinfo(HOST, PORT) ("visit lookup fail N" on a failed
// lookup), then connect to its first address and write a ClientHello naming HOST. byname:
// gethostbyname, gethostbyname2 and gethostbyname_r of HOST in turn, printing "byname" and for
// each " ok" or " fail H" (H: h_errno).
#include "tests/provider/ClientHelloBuilder.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

namespace {

sockaddr_in Address(const char* ip, const char* port) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(std::atoi(port)));
    inet_pton(AF_INET, ip, &addr.sin_addr);
    return addr;
}

int Report(const std::string& mode, long rc) {
    if (rc < 0) {
        std::printf("%s fail %d\n", mode.c_str(), errno);
        return 1;
    }
    std::printf("%s ok errno=%d\n", mode.c_str(), errno);
    return 0;
}

// The first line of what the socket receives within five seconds, up to its CR LF.
std::string ReplyLine(int fd) {
    std::string reply;
    char buffer[512];
    while (reply.find("\r\n") == std::string::npos && reply.size() < 4096) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 5000) <= 0)
            break;
        ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        reply.append(buffer, static_cast<std::size_t>(n));
    }
    return reply.substr(0, reply.find("\r\n"));
}

// A request call's result and, when it went out, the first line of the answer.
int RequestReport(const std::string& mode, int fd, long rc) {
    if (rc < 0)
        return Report(mode, rc);
    const int error = errno;
    std::printf("%s ok errno=%d reply=%s\n", mode.c_str(), error, ReplyLine(fd).c_str());
    return 0;
}

// answered: the request on a non-blocking, close-on-exec socket, a second write after it, then
// the whole answer read to its end. Prints the write results, whether the descriptor kept its
// flags, the status line, whether the body is as long as Content-Length says, and "eof".
int Answered(const sockaddr_in& addr, const std::string& request) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        std::printf("connect fail %d\n", errno);
        return 1;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    std::string line = "answered";
    ssize_t first = write(fd, request.data(), request.size());
    line += first == static_cast<ssize_t>(request.size()) ? " sent" : " short";
    ssize_t second = send(fd, "more=1", 6, 0); // no MSG_NOSIGNAL: a SIGPIPE would end the probe
    line += second == 6 ? " sent" : " fail " + std::to_string(errno);
    line += (fcntl(fd, F_GETFL) & O_NONBLOCK) ? " nonblock" : " blocking";
    line += (fcntl(fd, F_GETFD) & FD_CLOEXEC) ? " cloexec" : " inherited";
    std::string reply;
    char buffer[4096];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 5000) <= 0) {
            line += " timeout";
            break;
        }
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EAGAIN)
            continue;
        if (n <= 0) {
            line += n == 0 ? " eof" : " error";
            break;
        }
        reply.append(buffer, static_cast<std::size_t>(n));
    }
    const std::size_t end = reply.find("\r\n\r\n");
    const std::size_t length = reply.find("Content-Length: ");
    const bool whole = end != std::string::npos && length != std::string::npos &&
                       std::stoul(reply.substr(length + 16)) == reply.size() - end - 4;
    std::printf("%s [%s] %s\n", line.c_str(), reply.substr(0, reply.find("\r\n")).c_str(),
                whole ? "whole" : "cut");
    return 0;
}

int Connected(const sockaddr_in& addr) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        std::printf("connect fail %d\n", errno);
        std::exit(1);
    }
    return fd;
}

// The ClientHello's two writes for tls-split: up to the middle of the name, and the rest.
int TlsSplit(const std::string& mode, int fd, const providertest::Bytes& hello,
             const std::string& name) {
    std::size_t cut = hello.size() / 2;
    for (std::size_t i = 0; i + name.size() <= hello.size(); ++i) {
        if (std::memcmp(hello.data() + i, name.data(), name.size()) == 0)
            cut = i + name.size() / 2;
    }
    std::printf("%s", mode.c_str());
    const std::uint8_t* pieces[3] = {hello.data(), hello.data() + cut, hello.data()};
    std::size_t sizes[3] = {cut, hello.size() - cut, 8};
    for (int i = 0; i < 3; ++i) {
        if (write(fd, pieces[i], sizes[i]) < 0)
            std::printf(" fail %d", errno);
        else
            std::printf(" ok");
    }
    std::printf("\n");
    return 0;
}

int Tls(const std::string& mode, const sockaddr_in& addr, const std::string& name) {
    providertest::Bytes hello = providertest::ClientHello(name);
    auto* data = reinterpret_cast<char*>(hello.data());
    std::size_t size = hello.size();
    const auto* dest = reinterpret_cast<const sockaddr*>(&addr);
    if (mode == "tls-fastopen") {
        int fd = socket(AF_INET, SOCK_STREAM, 0);
        errno = 4242;
        return Report(mode, sendto(fd, data, size, MSG_FASTOPEN, dest, sizeof addr));
    }
    int fd = Connected(addr);
    errno = 4242;
    if (mode == "tls-send")
        return Report(mode, send(fd, data, size, MSG_NOSIGNAL));
    if (mode == "tls-write")
        return Report(mode, write(fd, data, size));
    if (mode == "tls-sendto")
        return Report(mode, sendto(fd, data, size, MSG_NOSIGNAL, nullptr, 0));
    if (mode == "tls-writev") {
        iovec iov[3] = {{data, 1}, {data + 1, 40}, {data + 41, size - 41}};
        return Report(mode, writev(fd, iov, 3));
    }
    if (mode == "tls-sendmsg") {
        iovec iov[2] = {{data, 5}, {data + 5, size - 5}};
        msghdr message{};
        message.msg_iov = iov;
        message.msg_iovlen = 2;
        return Report(mode, sendmsg(fd, &message, MSG_NOSIGNAL));
    }
    if (mode == "tls-split")
        return TlsSplit(mode, fd, hello, name);
    std::fprintf(stderr, "unknown mode %s\n", mode.c_str());
    return 2;
}

int Visit(const char* name, const char* port) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    int rc = getaddrinfo(name, port, &hints, &found);
    if (rc != 0) {
        std::printf("visit lookup fail %d\n", rc);
        return 1;
    }
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (connect(fd, found->ai_addr, found->ai_addrlen) != 0) {
        std::printf("visit connect fail %d\n", errno);
        return 1;
    }
    freeaddrinfo(found);
    providertest::Bytes hello = providertest::ClientHello(name);
    errno = 4242;
    return Report("visit", send(fd, hello.data(), hello.size(), MSG_NOSIGNAL));
}

int ByName(const char* name) {
    std::string line = "byname";
    auto note = [&](bool found, int error) {
        line += found ? std::string(" ok") : " fail " + std::to_string(error);
    };
    hostent* host = gethostbyname(name);
    note(host != nullptr, h_errno);
    host = gethostbyname2(name, AF_INET);
    note(host != nullptr, h_errno);
    hostent entry{};
    char buffer[4096];
    hostent* result = nullptr;
    int error = 0;
    int rc = gethostbyname_r(name, &entry, buffer, sizeof buffer, &result, &error);
    note(rc == 0 && result != nullptr, error);
    std::printf("%s\n", line.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: provider_probe MODE IP PORT HOST PATH\n");
        return 2;
    }
    std::string mode = argv[1];
    sockaddr_in addr = Address(argv[2], argv[3]);
    const auto* dest = reinterpret_cast<const sockaddr*>(&addr);
    std::string request =
        std::string("GET ") + argv[5] + " HTTP/1.1\r\nHost: " + argv[4] + "\r\nAccept: */*\r\n\r\n";
    const char* data = request.c_str();
    std::size_t size = request.size();

    if (mode == "connect") {
        int fd = socket(AF_INET, SOCK_STREAM, 0);
        errno = 4242;
        return Report(mode, connect(fd, dest, sizeof addr));
    }
    if (mode == "fastopen") {
        int fd = socket(AF_INET, SOCK_STREAM, 0);
        errno = 4242;
        return RequestReport(mode, fd, sendto(fd, data, size, MSG_FASTOPEN, dest, sizeof addr));
    }
    if (mode == "answered")
        return Answered(addr, request);
    if (mode == "udp") {
        int fd = socket(AF_INET, SOCK_DGRAM, 0);
        errno = 4242;
        return Report(mode, sendto(fd, data, size, 0, dest, sizeof addr));
    }
    if (mode == "file") {
        int fd = open("/dev/null", O_WRONLY);
        errno = 4242;
        return Report(mode, write(fd, data, size));
    }
    if (mode == "later") {
        // Connect, tell the test (PATH.first), wait for its go (PATH.go), connect again after the
        // provider's re-check interval: a tray program started meanwhile must be found.
        std::string flag = argv[5];
        int first = socket(AF_INET, SOCK_STREAM, 0);
        int rc = connect(first, dest, sizeof addr);
        std::printf("first %s %d\n", rc == 0 ? "ok" : "fail", rc == 0 ? 0 : errno);
        std::fflush(stdout);
        close(open((flag + ".first").c_str(), O_WRONLY | O_CREAT, 0600));
        for (int i = 0; i < 1000 && access((flag + ".go").c_str(), F_OK) != 0; ++i)
            usleep(10000);
        usleep(1100000);
        int second = socket(AF_INET, SOCK_STREAM, 0);
        errno = 4242;
        return Report("second", connect(second, dest, sizeof addr));
    }
    if (mode.rfind("tls-", 0) == 0)
        return Tls(mode, addr, argv[4]);
    if (mode == "connect6") {
        sockaddr_in6 v6{};
        v6.sin6_family = AF_INET6;
        v6.sin6_port = addr.sin_port;
        inet_pton(AF_INET6, argv[2], &v6.sin6_addr);
        int fd = socket(AF_INET6, SOCK_STREAM, 0);
        errno = 4242;
        return Report(mode, connect(fd, reinterpret_cast<const sockaddr*>(&v6), sizeof v6));
    }
    if (mode == "visit")
        return Visit(argv[4], argv[3]);
    if (mode == "byname")
        return ByName(argv[4]);
    if (mode == "threads") {
        std::atomic<int> connected{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < 8; ++t) {
            threads.emplace_back([&] {
                for (int i = 0; i < 25; ++i) {
                    int fd = socket(AF_INET, SOCK_STREAM, 0);
                    if (connect(fd, dest, sizeof addr) == 0)
                        connected++;
                    close(fd);
                }
            });
        }
        for (auto& t : threads)
            t.join();
        std::printf("threads %d\n", connected.load());
        return 0;
    }

    int fd = Connected(addr);
    errno = 4242;
    if (mode == "send")
        return RequestReport(mode, fd, send(fd, data, size, MSG_NOSIGNAL));
    if (mode == "write")
        return RequestReport(mode, fd, write(fd, data, size));
    if (mode == "sendto")
        return RequestReport(mode, fd, sendto(fd, data, size, MSG_NOSIGNAL, nullptr, 0));
    if (mode == "writev") {
        // The method split over buffers, as a program assembling a request may send it.
        iovec iov[3] = {{const_cast<char*>(data), 1},
                        {const_cast<char*>(data + 1), 3},
                        {const_cast<char*>(data + 4), size - 4}};
        return RequestReport(mode, fd, writev(fd, iov, 3));
    }
    if (mode == "sendmsg") {
        iovec iov[2] = {{const_cast<char*>(data), 10}, {const_cast<char*>(data + 10), size - 10}};
        msghdr message{};
        message.msg_iov = iov;
        message.msg_iovlen = 2;
        return RequestReport(mode, fd, sendmsg(fd, &message, MSG_NOSIGNAL));
    }
    std::fprintf(stderr, "unknown mode %s\n", mode.c_str());
    return 2;
}
