// Finding the numbered item subkeys of a stored list or log.
#include "core/ItemKeys.h"

#include "platform/AsciiCase.h"
#include "platform/Registry.h"

#include <algorithm>
#include <vector>

using namespace hookwise::platform;

namespace hookwise::core {

namespace {
// The decimal index after prefix in name, when name is exactly prefix + a canonical number.
bool ItemIndexOf(const std::string& name, const std::string& prefix, std::uint32_t& index) {
    if (name.size() <= prefix.size() ||
        !EqualsIgnoreAsciiCase(name.substr(0, prefix.size()), prefix))
        return false;
    std::string digits = name.substr(prefix.size());
    if (digits.size() > 10 || (digits.size() > 1 && digits[0] == '0'))
        return false;
    std::uint64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + std::uint64_t(c - '0');
    }
    if (value > 0xFFFFFFFFu)
        return false;
    index = static_cast<std::uint32_t>(value);
    return true;
}
} // namespace

void ForEachItemKey(HKEY key, const std::string& prefix, std::uint32_t count,
                    const std::function<void(HKEY item)>& load) {
    if (count == 0)
        return;
    DWORD subKeys = 0;
    if (RegQueryInfoKeyCounts(key, &subKeys, nullptr) != ERROR_SUCCESS)
        return;
    auto open = [&](std::uint32_t i) {
        RegKey item;
        if (RegOpenKeyExA(key, (prefix + std::to_string(i)).c_str(), 0, KEY_READ, item.Put()) ==
            ERROR_SUCCESS)
            load(item.Get());
    };

    // The usual case: the count is no larger than the subkeys present, so asking for each index
    // directly costs no more than walking them.
    if (count <= subKeys) {
        for (std::uint32_t i = 0; i < count; ++i)
            open(i);
        return;
    }

    // A count beyond the subkeys present: walk the subkeys for the indexes that exist.
    std::vector<std::uint32_t> indexes;
    char name[512];
    for (DWORD i = 0;; ++i) {
        LONG result = RegEnumKeyA(key, i, name, sizeof name);
        if (result == ERROR_MORE_DATA)
            continue; // too long to be one of ours
        if (result != ERROR_SUCCESS)
            break;
        std::uint32_t index = 0;
        if (ItemIndexOf(name, prefix, index) && index < count)
            indexes.push_back(index);
    }
    std::sort(indexes.begin(), indexes.end());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    for (std::uint32_t i : indexes)
        open(i);
}

} // namespace hookwise::core
