// ShellExecuteA over posix_spawn, with a detached thread per child that reaps it.
#include "platform/ShellExecute.h"

#include "platform/LastError.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <thread>

#include <spawn.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

bool IsUrl(const char* text) {
    // "scheme:" with a scheme of at least two letters, so "C:" style names never count.
    const char* colon = std::strchr(text, ':');
    if (colon == nullptr || colon - text < 2 || !std::isalpha(static_cast<unsigned char>(text[0])))
        return false;
    for (const char* p = text; p < colon; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.')
            return false;
    }
    return true;
}

std::intptr_t FailureFromErrno(int err) {
    SetLastError(Win32ErrorFromErrno(err));
    switch (err) {
    case ENOENT:
        return SE_ERR_FNF;
    case ENOTDIR:
        return SE_ERR_PNF;
    case EACCES:
    case EPERM:
        return SE_ERR_ACCESSDENIED;
    default:
        return SE_ERR_OOM;
    }
}

void ReapLater(pid_t pid) {
    std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

// Starts argv[0] (a path, or a name looked up in PATH when search is set) without waiting.
std::intptr_t Spawn(const std::vector<std::string>& args, const char* directory, bool search) {
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0)
        return FailureFromErrno(ENOMEM);
    if (directory != nullptr && directory[0] != '\0')
        posix_spawn_file_actions_addchdir_np(&actions, directory);
    pid_t pid = 0;
    const int rc = search ? posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ)
                          : posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return FailureFromErrno(rc);
    ReapLater(pid);
    SetLastError(ERROR_SUCCESS);
    return kShellExecuteSuccess;
}

} // namespace

std::vector<std::string> SplitParameters(const char* parameters) {
    std::vector<std::string> args;
    if (parameters == nullptr)
        return args;
    std::string current;
    bool inArgument = false;
    bool quoted = false;
    for (const char* p = parameters; *p != '\0'; ++p) {
        const char c = *p;
        if (c == '\\' && p[1] == '"') {
            current += '"';
            inArgument = true;
            ++p;
            continue;
        }
        if (c == '"') {
            quoted = !quoted;
            inArgument = true;
            continue;
        }
        if ((c == ' ' || c == '\t') && !quoted) {
            if (inArgument)
                args.push_back(current);
            current.clear();
            inArgument = false;
            continue;
        }
        current += c;
        inArgument = true;
    }
    if (inArgument)
        args.push_back(current);
    return args;
}

std::intptr_t ShellExecuteA(HWND, const char* verb, const char* file, const char* parameters,
                            const char* directory, int) {
    if (verb != nullptr && verb[0] != '\0' && strcasecmp(verb, "open") != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return SE_ERR_NOASSOC;
    }
    if (file == nullptr || file[0] == '\0') {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return SE_ERR_FNF;
    }
    if (directory != nullptr && directory[0] != '\0') {
        struct stat folder {};
        if (stat(directory, &folder) != 0 || !S_ISDIR(folder.st_mode)) {
            SetLastError(ERROR_PATH_NOT_FOUND);
            return SE_ERR_PNF;
        }
    }
    if (IsUrl(file))
        return Spawn({"xdg-open", file}, directory, true);

    struct stat info {};
    if (stat(file, &info) != 0)
        return FailureFromErrno(errno);
    if (S_ISREG(info.st_mode) && access(file, X_OK) == 0) {
        std::vector<std::string> args{file};
        for (std::string& arg : SplitParameters(parameters))
            args.push_back(std::move(arg));
        return Spawn(args, directory, false);
    }
    return Spawn({"xdg-open", file}, directory, true);
}
