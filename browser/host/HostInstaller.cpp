// Writing and removing the native host manifest.
#include "browser/host/HostInstaller.h"

#include "browser/host/Json.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

namespace browserhost {

namespace {

std::string ManifestPath(const std::string& folder) {
    return folder + "/" + kHostName + ".json";
}

// Makes the folder and its missing parents.
bool MakeFolders(const std::string& folder) {
    for (std::size_t at = 1; at <= folder.size(); ++at) {
        if (at != folder.size() && folder[at] != '/')
            continue;
        std::string part = folder.substr(0, at);
        if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST)
            return false;
    }
    struct stat info {};
    return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

std::string ManifestFolder(const std::string& userDataDir) {
    if (!userDataDir.empty())
        return userDataDir + "/NativeMessagingHosts";
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && *config == '/')
        return std::string(config) + "/chromium/NativeMessagingHosts";
    const char* home = std::getenv("HOME");
    if (!home || !*home)
        return {};
    return std::string(home) + "/.config/chromium/NativeMessagingHosts";
}

std::string FirefoxManifestFolder() {
    const char* home = std::getenv("HOME");
    if (!home || !*home)
        return {};
    return std::string(home) + "/.mozilla/native-messaging-hosts";
}

std::string HostManifest(const std::string& hostPath, Browser browser) {
    const std::string admitted =
        browser == Browser::Firefox
            ? "  \"allowed_extensions\": [" + JsonQuote(kGeckoExtensionId) + "]\n"
            : "  \"allowed_origins\": [" +
                  JsonQuote(std::string("chrome-extension://") + kExtensionId + "/") + "]\n";
    return "{\n"
           "  \"name\": " +
           JsonQuote(kHostName) +
           ",\n"
           "  \"description\": \"Hookwise page inspector\",\n"
           "  \"path\": " +
           JsonQuote(hostPath) +
           ",\n"
           "  \"type\": \"stdio\",\n" +
           admitted + "}\n";
}

std::string InstallManifest(const std::string& folder, const std::string& hostPath,
                            Browser browser) {
    if (folder.empty())
        return "cannot tell where the browser keeps its settings (HOME is not set)";
    if (!MakeFolders(folder))
        return "cannot create " + folder + ": " + std::strerror(errno);
    std::string path = ManifestPath(folder);
    std::string temporary = path + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << HostManifest(hostPath, browser);
        out.flush();
        if (!out) {
            std::remove(temporary.c_str());
            return "cannot write " + temporary;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::string error = std::strerror(errno);
        std::remove(temporary.c_str());
        return "cannot write " + path + ": " + error;
    }
    return {};
}

std::string UninstallManifest(const std::string& folder) {
    if (folder.empty())
        return "cannot tell where the browser keeps its settings (HOME is not set)";
    std::string path = ManifestPath(folder);
    if (unlink(path.c_str()) != 0 && errno != ENOENT)
        return "cannot remove " + path + ": " + std::strerror(errno);
    return {};
}

} // namespace browserhost
