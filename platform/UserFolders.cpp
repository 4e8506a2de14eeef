// The user's home, data and configuration folders, and making a folder with its parents.
#include "platform/UserFolders.h"

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hookwise::platform {

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0')
        return home;
    struct passwd pw;
    struct passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(getuid(), &pw, buffer, sizeof buffer, &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr)
        return found->pw_dir;
    return {};
}

namespace {

// An XDG base folder: the variable when it holds an absolute path, else the home folder and the
// default below it; "" when no home folder is known.
std::string XdgFolder(const char* variable, const char* belowHome) {
    const char* chosen = std::getenv(variable);
    if (chosen != nullptr && chosen[0] == '/')
        return chosen;
    const std::string home = HomeFolder();
    return home.empty() ? std::string() : home + belowHome;
}

} // namespace

std::string UserDataFolder() {
    return XdgFolder("XDG_DATA_HOME", "/.local/share");
}

std::string UserConfigFolder() {
    return XdgFolder("XDG_CONFIG_HOME", "/.config");
}

std::string UserCacheFolder() {
    return XdgFolder("XDG_CACHE_HOME", "/.cache");
}

bool MakeFolders(const std::string& path, unsigned mode) {
    if (path.empty())
        return false;
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (mkdir(part.c_str(), static_cast<mode_t>(mode)) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            break;
    }
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return false;
    if (!S_ISDIR(info.st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    return true;
}

PrivateFolderResult MakePrivateFolder(const std::string& path) {
    if (path.empty()) {
        errno = ENOENT;
        return PrivateFolderResult::Failed;
    }
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return PrivateFolderResult::Failed;
    // Looked at without following a link: a link or someone else's folder planted under our name
    // must not receive our files.
    int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ELOOP)
            errno = ENOTDIR;
        return PrivateFolderResult::Failed;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        int error = errno;
        close(fd);
        errno = error;
        return PrivateFolderResult::Failed;
    }
    if (info.st_uid != geteuid()) {
        close(fd);
        errno = EPERM;
        return PrivateFolderResult::Failed;
    }
    if ((info.st_mode & 077) == 0) {
        close(fd);
        return PrivateFolderResult::Private;
    }
    bool tightened = fchmod(fd, 0700) == 0;
    int error = errno;
    close(fd);
    errno = error;
    return tightened ? PrivateFolderResult::Tightened : PrivateFolderResult::Failed;
}

} // namespace hookwise::platform
