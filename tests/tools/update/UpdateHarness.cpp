// Test support for the update tests: processes, certificates, the feed server, the staged folder.
#include "UpdateHarness.h"

#include "tests/support/Files.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace updatetest {

namespace {

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

Child::~Child() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

bool Child::Start(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                  const std::string& outputStem) {
    stem_ = outputStem;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, (stem_ + ".out").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, (stem_ + ".err").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<std::string> args = argv;
    std::vector<std::string> env = environment;
    std::vector<char*> argp = Pointers(args);
    std::vector<char*> envp = Pointers(env);
    const int rc = posix_spawnp(&pid_, argp[0], &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        pid_ = -1;
    return rc == 0;
}

RunResult Child::Wait(int timeoutMs) {
    RunResult result;
    if (pid_ <= 0)
        return result;
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (waitpid(pid_, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    pid_ = -1;
    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        result.signal = WTERMSIG(status);
    result.out = testsupport::ReadFile(stem_ + ".out");
    result.err = testsupport::ReadFile(stem_ + ".err");
    return result;
}

RunResult Run(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
              const std::string& outputStem, int timeoutMs) {
    Child child;
    if (!child.Start(argv, environment, outputStem))
        return {};
    return child.Wait(timeoutMs);
}

bool MakeCertificates(const std::string& folder, std::string& error) {
    const std::string ec = "-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2";
    const std::string script =
        "set -e; cd '" + folder + "'\n" + "openssl req -x509 " + ec +
        " -keyout ca.key -out ca.pem -subj /CN=hookwise-test-ca\n" + "openssl req " + ec +
        " -keyout server.key -out server.csr -subj /CN=127.0.0.1\n" +
        "printf 'subjectAltName=IP:127.0.0.1\\nbasicConstraints=CA:FALSE\\n' > server.ext\n" +
        "openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial "
        "-out server.pem -days 2 -extfile server.ext\n" +
        "openssl req -x509 " + ec +
        " -keyout untrusted.key -out untrusted.pem -subj /CN=127.0.0.1 "
        "-addext subjectAltName=IP:127.0.0.1\n";
    const RunResult made =
        Run({"/bin/sh", "-c", script}, Environment({}, {}), folder + "/openssl", 30000);
    error = made.err;
    return made.exitCode == 0;
}

bool FeedServer::Start(const std::string& cert, const std::string& key, const std::string& root,
                       const std::string& log) {
    log_ = log;
    return server_.Start({"/usr/bin/python3",
                          std::string(HOOKWISE_SOURCE_DIR) + "/tests/tools/update/feed_server.py",
                          cert, key, root, log});
}

std::string FeedServer::Url(const std::string& path) const {
    return "https://127.0.0.1:" + std::to_string(server_.Port()) + "/" + path;
}

std::vector<std::string> FeedServer::Log() const {
    std::vector<std::string> lines;
    std::ifstream in(log_);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string StageProgramFolder(const std::string& folder) {
    namespace fs = std::filesystem;
    const std::string updateFolder = folder + "/76738669858068";
    fs::create_directories(updateFolder);
    const auto over = fs::copy_options::overwrite_existing;
    fs::copy_file(UPDATE_PATH, updateFolder + "/Update", over);
    fs::copy_file(DEFINITIONS_PATH, folder + "/hkwdb1.pbd", over);
    fs::copy_file(std::string(HOOKWISE_SOURCE_DIR) + "/data/sites/well-known-sites.txt",
                  folder + "/well-known-sites.txt", over);
    return updateFolder + "/Update";
}

std::vector<std::string> Environment(const std::vector<std::string>& set,
                                     const std::vector<std::string>& remove) {
    std::vector<std::string> result;
    auto named = [](const std::string& entry, const std::string& name) {
        return entry.size() > name.size() && entry.compare(0, name.size(), name) == 0 &&
               entry[name.size()] == '=';
    };
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        bool drop = false;
        for (const std::string& name : remove)
            drop = drop || named(text, name);
        for (const std::string& replaced : set)
            drop = drop || named(text, replaced.substr(0, replaced.find('=')));
        if (!drop)
            result.push_back(text);
    }
    result.insert(result.end(), set.begin(), set.end());
    return result;
}

unsigned long long Xxh3(const std::string& bytes) {
    return XXH3_64bits(bytes.data(), bytes.size());
}

} // namespace updatetest
