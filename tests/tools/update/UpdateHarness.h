// Test support for the update tests: child programs with their output, certificates made at test
// time, the HTTPS feed server (feed_server.py) and a staged program folder with Update in it.
#pragma once

#include "tests/support/ScriptServer.h"

#include <string>
#include <vector>

#include <sys/types.h>

namespace updatetest {

struct RunResult {
    int exitCode = -1; // -1 when it did not exit normally
    int signal = 0;    // the signal that ended it, 0 when it exited
    std::string out;
    std::string err;
};

// A child program whose output goes to two files.
class Child {
public:
    ~Child();
    // Starts argv with exactly environment ("NAME=value"). False when it cannot be started.
    bool Start(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
               const std::string& outputStem);
    // Waits up to timeoutMs (then kills it) and gives its result.
    RunResult Wait(int timeoutMs = 60000);

private:
    pid_t pid_ = -1;
    std::string stem_;
};

RunResult Run(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
              const std::string& outputStem, int timeoutMs = 60000);

// Makes in folder: ca.pem (a test CA), server.pem and server.key (127.0.0.1, signed by that CA)
// and untrusted.pem and untrusted.key (self-signed, 127.0.0.1). False with openssl's output in
// error.
bool MakeCertificates(const std::string& folder, std::string& error);

// feed_server.py as a child serving root.
class FeedServer {
public:
    bool Start(const std::string& cert, const std::string& key, const std::string& root,
               const std::string& log);
    void Stop() { server_.Stop(); }
    int Port() const { return server_.Port(); }
    std::string Url(const std::string& path) const;
    // The lines of the request log so far.
    std::vector<std::string> Log() const;

private:
    testsupport::ScriptServer server_;
    std::string log_;
};

// The program folder Update expects: Update in its encoded "LiveUpd" folder, the shipped
// definitions and the well-known sites beside. Returns the path of the copied Update.
std::string StageProgramFolder(const std::string& folder);

// The current environment with these replaced or added ("NAME=value") and these removed (names).
std::vector<std::string> Environment(const std::vector<std::string>& set,
                                     const std::vector<std::string>& remove);

// The XXH3-64 checksum of bytes, as the index header keeps it.
unsigned long long Xxh3(const std::string& bytes);

} // namespace updatetest
