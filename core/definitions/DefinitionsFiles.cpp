// The choice between the shipped and the user's definitions file, the replacement rule, and the
// check of deciphered bytes.
#include "core/definitions/DefinitionsFiles.h"

#include "core/definitions/ShippedFile.h"
#include "platform/MappedFile.h"

#include <cstring>

using namespace hookwise::platform;

namespace hookwise::core {

std::uint32_t DefinitionsDate(const std::string& version) {
    // "MM/DD/YYYY": the version reader has checked the slashes.
    if (version.size() < 10 || version[2] != '/' || version[5] != '/')
        return 0;
    std::uint32_t month = 0, day = 0, year = 0;
    for (std::size_t i = 0; i < 10; ++i) {
        if (i == 2 || i == 5)
            continue;
        if (version[i] < '0' || version[i] > '9')
            return 0;
        const std::uint32_t digit = static_cast<std::uint32_t>(version[i] - '0');
        if (i < 2)
            month = month * 10 + digit;
        else if (i < 5)
            day = day * 10 + digit;
        else
            year = year * 10 + digit;
    }
    return year * 10000 + month * 100 + day;
}

namespace {

// Whether a was modified after b (both existing files).
bool ModifiedLater(const std::string& a, const std::string& b) {
    FileStamp first, second;
    if (!StampOfFile(a.c_str(), first) || !StampOfFile(b.c_str(), second))
        return false;
    if (first.modifiedSeconds != second.modifiedSeconds)
        return first.modifiedSeconds > second.modifiedSeconds;
    return first.modifiedNanoseconds > second.modifiedNanoseconds;
}

bool SameFile(const std::string& a, const std::string& b) {
    if (a == b)
        return true;
    FileStamp first, second;
    return StampOfFile(a.c_str(), first) && StampOfFile(b.c_str(), second) &&
           first.device == second.device && first.inode == second.inode;
}

} // namespace

DefinitionsFile ChooseDefinitions(const std::string& shippedPath, const std::string& userPath) {
    DefinitionsFile shipped{shippedPath, ReadDefinitionsVersion(shippedPath)};
    if (userPath.empty() || SameFile(shippedPath, userPath))
        return shipped;
    DefinitionsFile user{userPath, ReadDefinitionsVersion(userPath)};
    const std::uint32_t userDate = DefinitionsDate(user.version);
    if (userDate == 0)
        return shipped;
    const std::uint32_t shippedDate = DefinitionsDate(shipped.version);
    if (userDate > shippedDate)
        return user;
    if (userDate == shippedDate && ModifiedLater(userPath, shippedPath))
        return user;
    return shipped;
}

bool MayReplaceDefinitions(const std::string& candidate, const std::string& inUse) {
    const std::uint32_t date = DefinitionsDate(candidate);
    return date != 0 && date >= DefinitionsDate(inUse);
}

std::string ReplacementRefusal(const std::string& path, const std::string& candidate,
                               const std::string& inUse) {
    if (MayReplaceDefinitions(candidate, inUse))
        return {};
    if (candidate.empty())
        return path + " carries no definitions version";
    return path + " holds older definitions (" + candidate + ") than those in use";
}

bool IsDefinitionsText(std::string_view deciphered) {
    constexpr std::size_t kFirstLine = 16;
    constexpr std::size_t kChecked = 4096;
    if (deciphered.size() <= kFirstLine)
        return false;
    const std::string_view text = deciphered.substr(kFirstLine, kChecked);
    return std::memchr(text.data(), '\0', text.size()) == nullptr;
}

} // namespace hookwise::core
