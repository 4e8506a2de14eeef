// Reading the well-known sites from the shipped list and the user's additions.
#include "engine/WellKnownSites.h"

#include "engine/WebAddress.h"
#include "platform/Module.h"
#include "platform/UserFolders.h"

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace hookwise::platform;

bool WellKnownSites::Add(std::string_view text) {
    WebAddressParts parts;
    if (!ParseWebAddress(text, parts))
        return false;
    auto [position, added] = hosts_.emplace(parts.Host());
    if (added) {
        // A sum of mixed fingerprints does not depend on the order of the lines.
        checksum_ += WebEntryKey(*position, "");
    }
    return true;
}

bool WellKnownSites::AddFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "re");
    if (!file)
        return false;
    char line[1024];
    while (std::fgets(line, sizeof line, file)) {
        std::string_view text(line);
        std::size_t start = text.find_first_not_of(" \t\r\n");
        if (start == std::string_view::npos || text[start] == '#')
            continue;
        text.remove_prefix(start);
        std::size_t end = text.find_first_of(" \t\r\n#");
        Add(text.substr(0, end));
    }
    std::fclose(file);
    return true;
}

bool WellKnownSites::IsWellKnown(std::string_view host) const {
    if (hosts_.empty())
        return false;
    for (;;) {
        if (Lists(host))
            return true;
        std::size_t dot = host.find('.');
        if (dot == std::string_view::npos)
            return false;
        host.remove_prefix(dot + 1);
    }
}

std::string ShippedWellKnownSitesPath() {
    if (const char* path = std::getenv("HOOKWISE_WELL_KNOWN_SITES"); path && *path)
        return path;
    char module[4096];
    static const int anchor = 0;
    if (GetModuleFileNameA(reinterpret_cast<HMODULE>(const_cast<int*>(&anchor)), module,
                           sizeof module) == 0)
        return std::string();
    return FolderOf(module) + "/" + kWellKnownSitesFile;
}

std::string UserWellKnownSitesPath() {
    std::string config = UserConfigFolder();
    if (config.empty())
        return std::string();
    return config + "/hookwise/" + kWellKnownSitesFile;
}

WellKnownSites LoadWellKnownSites() {
    WellKnownSites sites;
    if (std::string shipped = ShippedWellKnownSitesPath(); !shipped.empty())
        sites.AddFile(shipped);
    if (std::string user = UserWellKnownSitesPath(); !user.empty())
        sites.AddFile(user);
    return sites;
}
