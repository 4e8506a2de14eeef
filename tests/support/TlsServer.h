// Test support: tests/app/tray_e2e/tls_server.py, a small HTTPS server on 127.0.0.1, as a child
// process of the test.
#pragma once

#include "tests/support/ScriptServer.h"

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

// tls_server.py as a child: its port from the first line of its output, its log of connections.
class TlsServer {
public:
    // host: the host of the images of the page "/six" (none when empty).
    bool Start(const std::string& cert, const std::string& key, const std::string& log,
               const std::string& host = "") {
        log_ = log;
        std::string script = std::string(HOOKWISE_SOURCE_DIR) + "/tests/app/tray_e2e/tls_server.py";
        std::vector<std::string> argv = {"/usr/bin/python3", script, cert, key, log};
        if (!host.empty())
            argv.push_back(host);
        return server_.Start(std::move(argv));
    }

    void Stop() { server_.Stop(); }

    int Port() const { return server_.Port(); }

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
    ScriptServer server_;
    std::string log_;
};

} // namespace testsupport
