// The staged program folder and the HookWs child process of the end-to-end tests.
#include "TrayProcess.h"

#include "tests/support/Files.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace traye2e {

void StageProgramFolder(const std::string& folder) {
    namespace fs = std::filesystem;
    fs::create_directories(folder);
    for (const char* file : {HOOKWS_PATH, BAITLIB_PATH, PLATFORM_PATH, PROVIDER_PATH, PROVINST_PATH,
                             DEFINITIONS_PATH, WELL_KNOWN_SITES_PATH})
        fs::copy_file(file, fs::path(folder) / fs::path(file).filename(),
                      fs::copy_options::overwrite_existing);
    fs::copy(HOOKWISE_STAGED_MOVIES, folder,
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

std::vector<std::string> MergedEnvironment(const std::vector<std::string>& extra) {
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('=') + 1);
        bool replaced = false;
        for (const std::string& x : extra)
            replaced |= name == x.substr(0, x.find('=') + 1);
        if (!replaced)
            environment.push_back(entry);
    }
    environment.insert(environment.end(), extra.begin(), extra.end());
    return environment;
}

std::string ReadFile(const std::string& path) {
    return testsupport::ReadFile(path);
}

TrayProcess::~TrayProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

bool TrayProcess::Start(const std::string& program, const std::vector<std::string>& args,
                        const std::vector<std::string>& extra, const std::string& outputPath) {
    std::vector<std::string> environment = MergedEnvironment(extra);
    std::vector<char*> envp;
    for (std::string& e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> argvCopy{program};
    argvCopy.insert(argvCopy.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argvCopy)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outputPath.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    const int rc = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        pid_ = -1;
    return rc == 0;
}

bool TrayProcess::Signal(int signal) const {
    return pid_ > 0 && kill(pid_, signal) == 0;
}

int TrayProcess::Wait(int timeoutMs) {
    if (pid_ <= 0)
        return -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_)
            break;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            pid_ = -1;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool TrayProcess::Running() {
    return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0;
}

} // namespace traye2e
