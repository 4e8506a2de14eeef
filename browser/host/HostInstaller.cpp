// Writing and removing the native host manifest.
#include "browser/host/HostInstaller.h"

#include "browser/host/Json.h"
#include "platform/AtomicFile.h"
#include "platform/LastError.h"
#include "platform/UserFolders.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

using namespace hookwise::platform;

namespace browserhost {

namespace {

std::string ManifestPath(const std::string& folder) {
    return folder + "/" + kHostName + ".json";
}

} // namespace

std::string ManifestFolder(const std::string& userDataDir) {
    if (!userDataDir.empty())
        return userDataDir + "/NativeMessagingHosts";
    const std::string config = UserConfigFolder();
    if (config.empty())
        return {};
    return config + "/chromium/NativeMessagingHosts";
}

std::string FirefoxManifestFolder() {
    const std::string home = HomeFolder();
    if (home.empty())
        return {};
    return home + "/.mozilla/native-messaging-hosts";
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
        return "cannot tell where the browser keeps its settings (no home folder is known)";
    if (!MakeFolders(folder, 0755))
        return "cannot create " + folder + ": " + std::strerror(errno);
    const std::string path = ManifestPath(folder);
    if (LONG code = WriteFileAtomically(path, HostManifest(hostPath, browser), 0644);
        code != ERROR_SUCCESS)
        return "cannot write " + path + ": " + SystemMessageText(static_cast<DWORD>(code));
    return {};
}

std::string UninstallManifest(const std::string& folder) {
    if (folder.empty())
        return "cannot tell where the browser keeps its settings (no home folder is known)";
    std::string path = ManifestPath(folder);
    if (unlink(path.c_str()) != 0 && errno != ENOENT)
        return "cannot remove " + path + ": " + std::strerror(errno);
    return {};
}

} // namespace browserhost
