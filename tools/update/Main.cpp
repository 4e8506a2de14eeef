// Update (hookwise-update on the PATH): the live update program's command line. It finds its
// folders (the program folder above its own, the data folder "App Path" names, the user's cache
// and configuration folders) and runs one update.
#include "tools/update/Fetch.h"
#include "tools/update/SourceCache.h"
#include "tools/update/SourceList.h"
#include "tools/update/Updater.h"
#include "core/FileNames.h"
#include "core/RegistryValues.h"
#include "platform/ProductNames.h"
#include "platform/Registry.h"
#include "platform/UserFolders.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>

using namespace hookwise::tools;

using namespace hookwise::platform;

using namespace hookwise::core;

namespace {

constexpr char kUsage[] =
    "Usage: hookwise-update [--sources FILE] [--ca-file FILE] [--quiet]\n"
    "  Fetches the phishing definitions and feeds of the source list, merges them with\n"
    "  the signed (or shipped) definitions and your own, and puts the result where the\n"
    "  running tray program takes it up.\n"
    "  --sources FILE  the source list (default: ~/.config/hookwise/sources.conf, else\n"
    "                  /etc/hookwise/sources.conf, else sources.conf of the program folder);\n"
    "                  one 'FORMAT URL' a line, '#' comments; FORMAT is hookwise (a signed\n"
    "                  definitions file, signature at URL.sig), auto, openphish,\n"
    "                  phishtank-csv, phishtank-json, urlhaus-csv, hosts, domains, adblock\n"
    "                  or senders\n"
    "  --ca-file FILE  also trust the certificate authority in FILE (PEM)\n"
    "  --quiet         no progress and no summary; errors only\n"
    "Exit status: 0 done, 1 a source failed (the others were used) or nothing could be\n"
    "updated, 2 wrong command line or source list, 3 another update kept running.\n";

// The folder that holds path.
std::string Parent(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

// The folder "App Path" names; "" when it is not set.
std::string RegisteredDataFolder() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kProductKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    std::string path;
    ReadRegText(key, "App Path", path);
    RegCloseKey(key);
    return path;
}

std::string Today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%m/%d/%Y", &local);
    return text;
}

// A number from the environment, or fallback when unset or malformed.
long long EnvNumber(const char* name, long long fallback) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0')
        return fallback;
    char* end = nullptr;
    const long long number = std::strtoll(value, &end, 10);
    return *end == '\0' && number >= 0 ? number : fallback;
}

int Usage(std::string_view message) {
    std::fprintf(stderr, "hookwise-update: %.*s\n%s", static_cast<int>(message.size()),
                 message.data(), kUsage);
    return kUpdateUsage;
}

} // namespace

int main(int argc, char** argv) {
    UpdateSettings settings;
    std::string sourcesOption;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return kUpdateDone;
        }
        if (arg == "--quiet" || arg == "-q") {
            settings.quiet = true;
        } else if (arg == "--sources" || arg == "--ca-file") {
            if (i + 1 == argc)
                return Usage(std::string(arg) + " needs a file");
            (arg == "--sources" ? sourcesOption : settings.caFile) = argv[++i];
        } else {
            return Usage("unknown argument " + std::string(arg));
        }
    }

    // The program lives in a folder of its own below the program folder.
    settings.programFolder = Parent(ProgramFolder());
    SetProgramFolder(settings.programFolder);
    // The engine finds the well-known sites beside its module; this program's module is one
    // folder down, so the program folder's list is named (unless the user named another).
    const std::string sites = settings.programFolder + "/well-known-sites.txt";
    setenv("HOOKWISE_WELL_KNOWN_SITES", sites.c_str(), 0);

    settings.dataFolder = RegisteredDataFolder();
    if (settings.dataFolder.empty())
        settings.dataFolder = ChooseDataFolder(settings.programFolder);
    settings.cacheFolder = DefaultCacheFolder();
    settings.sourceList = ChooseSourceList(sourcesOption, settings.programFolder);
    const char* key = std::getenv("HOOKWISE_UPDATE_KEY");
    settings.keyPath = key != nullptr && *key != '\0'
                           ? std::string(key)
                           : settings.programFolder + "/" + kDefinitionsKeyFile;
    const std::string config = UserConfigFolder();
    if (!config.empty())
        settings.ownDefinitions = config + "/hookwise/" + kOwnDefinitionsFile;
    settings.today = Today();
    settings.lockWaitMs = EnvNumber("HOOKWISE_UPDATE_LOCK_WAIT", 60) * 1000;
    settings.limits.maxBytes = static_cast<std::uint64_t>(
        EnvNumber("HOOKWISE_UPDATE_MAX_BYTES", static_cast<long long>(settings.limits.maxBytes)));
    settings.limits.totalSeconds =
        static_cast<long>(EnvNumber("HOOKWISE_UPDATE_TIMEOUT", settings.limits.totalSeconds));
    settings.limits.firstBackoffMs =
        static_cast<long>(EnvNumber("HOOKWISE_UPDATE_RETRY_MS", settings.limits.firstBackoffMs));

    // Never through a link planted in place of the user's data folder, nor into another user's.
    if (settings.dataFolder != settings.programFolder && !IsOwnFolder(settings.dataFolder)) {
        std::fprintf(stderr,
                     "hookwise-update: %s is a link or not your own folder; nothing is written "
                     "through it. Remove it and run the update again.\n",
                     settings.dataFolder.c_str());
        return kUpdateFailed;
    }
    if (!InitialiseFetching()) {
        std::fprintf(stderr, "hookwise-update: libcurl cannot start\n");
        return kUpdateFailed;
    }
    return RunUpdate(settings);
}
