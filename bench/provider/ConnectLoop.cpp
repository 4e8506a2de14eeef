// bench_connect_loop: times `connect` to an unlisted port on 127.0.0.1, as a program with or
// without the interception provider preloaded sees it. Prints "median_ns p99_ns".
//
//     bench_connect_loop [COUNT] [spread|same] [hello]
//
// With "spread" every call goes to another address of 127.0.0.0/8 (the listener takes them all),
// so nothing the provider remembers about an address helps. With "hello" each sample is the
// connect and the first write, a TLS ClientHello for an unlisted name, as a browser's
// connection starts.
#include "tests/provider/ClientHelloBuilder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

int main(int argc, char** argv) {
    int count = argc > 1 ? std::atoi(argv[1]) : 20000;
    bool spread = argc > 2 && std::string(argv[2]) == "spread";
    bool hello = argc > 3 && std::string(argv[3]) == "hello";
    // About the size of an OpenSSL 3 ClientHello (517 bytes).
    const providertest::Bytes clientHello = providertest::ClientHello("shop.unlisted.example", 350);
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(spread ? INADDR_ANY : INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    if (bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        listen(listener, 16) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &length) != 0)
        return 1;
    std::vector<double> samples;
    samples.reserve(static_cast<std::size_t>(count));
    for (int i = -200; i < count; ++i) {
        int fd = socket(AF_INET, SOCK_STREAM, 0);
        if (spread) {
            unsigned n = static_cast<unsigned>(i + 200);
            addr.sin_addr.s_addr = htonl(0x7f000000u | ((n / 250) % 250) << 8 | (n % 250 + 1));
        }
        auto start = std::chrono::steady_clock::now();
        int rc = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        if (rc == 0 && hello &&
            send(fd, clientHello.data(), clientHello.size(), MSG_NOSIGNAL) !=
                static_cast<ssize_t>(clientHello.size()))
            rc = -1;
        auto took = std::chrono::steady_clock::now() - start;
        if (rc != 0)
            return 1;
        if (i >= 0)
            samples.push_back(std::chrono::duration<double, std::nano>(took).count());
        close(accept(listener, nullptr, nullptr));
        close(fd);
    }
    std::sort(samples.begin(), samples.end());
    std::printf("%.0f %.0f\n", samples[samples.size() / 2], samples[samples.size() * 99 / 100]);
    return 0;
}
