// Test support for the interception provider: a tiny HTTP server on loopback addresses, a child
// process runner with its own environment, and the working database and registry set-up.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace providertest {

// Serves every connection on the given loopback addresses (one shared port) with
// "HTTP/1.1 200 OK" and the body "hello" once the request head is in. Connections that send
// nothing within two seconds are closed.
class HttpServer {
public:
    HttpServer() = default;
    ~HttpServer() { Stop(); }
    // False when no port could be bound on every address.
    bool Start(const std::vector<std::string>& addresses);
    void Stop();
    std::uint16_t Port() const { return port_; }
    // The request heads received so far.
    std::vector<std::string> Requests();

private:
    void Run();
    void Serve(int fd);

    std::vector<int> listeners_;
    std::uint16_t port_ = 0;
    int wake_[2] = {-1, -1};
    std::thread thread_;
    std::mutex mutex_;
    std::vector<std::string> requests_;
    std::vector<std::thread> workers_;
};

struct ChildResult {
    int exitCode = -1; // -1 when it did not exit normally
    std::string out;
    std::string err;
};

// The current environment plus `extra` ("NAME=value"): an entry of extra replaces the one of the
// same name.
std::vector<std::string> EnvironmentWith(const std::vector<std::string>& extra);

// Runs argv[0] (looked up in PATH) with the current environment plus `extra` ("NAME=value", later
// entries replace earlier ones). Gives up after timeoutSeconds and kills the child.
ChildResult RunChild(const std::vector<std::string>& argv, const std::vector<std::string>& extra,
                     int timeoutSeconds = 30);

// Writes the working database at path: each (section, key, value) scrambled as the engine reads
// it.
struct DefinitionEntry {
    std::string section, key, value;
};
void WriteWorkingDatabase(const std::string& path, const std::vector<DefinitionEntry>& entries);

// Points HKEY_CURRENT_USER\Software\Corvane\Hookwise "App Path" at folder in the registry file
// named by $HOOKWISE_REGISTRY. False on a registry error.
bool SetAppPath(const std::string& folder);

} // namespace providertest
