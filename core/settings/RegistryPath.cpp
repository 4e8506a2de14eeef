// Full registry key names: root name plus path.
#include "core/settings/RegistryPath.h"

#include "core/TextUtil.h"
#include "platform/Registry.h"
#include "platform/TextTrim.h"

using namespace hookwise::platform;

namespace hookwise::core {

namespace {
struct RootEntry {
    const char* longName;
    const char* shortName;
    HKEY root;
};
const RootEntry kRoots[] = {
    {"HKEY_CURRENT_USER", "HKCU", HKEY_CURRENT_USER},
    {"HKEY_LOCAL_MACHINE", "HKLM", HKEY_LOCAL_MACHINE},
    {"HKEY_CLASSES_ROOT", "HKCR", HKEY_CLASSES_ROOT},
};
} // namespace

bool ParseRegistryPath(std::string_view fullName, HKEY& root, std::string& subKey) {
    fullName = Trim(fullName, kSpaceTab);
    while (!fullName.empty() && fullName.front() == '\\')
        fullName.remove_prefix(1);
    while (!fullName.empty() && fullName.back() == '\\')
        fullName.remove_suffix(1);
    std::size_t split = fullName.find('\\');
    std::string_view rootPart = fullName.substr(0, split);
    for (const RootEntry& candidate : kRoots) {
        if (!EqualsIgnoreAsciiCase(rootPart, candidate.longName) &&
            !EqualsIgnoreAsciiCase(rootPart, candidate.shortName))
            continue;
        root = candidate.root;
        subKey = split == std::string_view::npos ? "" : std::string(fullName.substr(split + 1));
        return true;
    }
    return false;
}

std::string RootName(HKEY root) {
    for (const RootEntry& candidate : kRoots) {
        if (candidate.root == root)
            return candidate.longName;
    }
    return "";
}

} // namespace hookwise::core
