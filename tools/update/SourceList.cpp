// SourceList: parsing "FORMAT URL" lines and choosing the list file.
#include "tools/update/SourceList.h"

#include "platform/UserFolders.h"

#include <filesystem>
#include <system_error>

namespace hookwise::tools {

using namespace hookwise::platform;

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// The words of a line up to a word that starts with '#'.
std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && IsBlank(line[at]))
            ++at;
        if (at == line.size() || line[at] == '#')
            break;
        std::size_t end = at;
        while (end < line.size() && !IsBlank(line[end]))
            ++end;
        words.push_back(line.substr(at, end - at));
        at = end;
    }
    return words;
}

bool Exists(const std::string& path) {
    std::error_code code;
    return !path.empty() && std::filesystem::is_regular_file(path, code);
}

} // namespace

bool ParseSourceList(std::string_view text, std::vector<UpdateSource>& sources, Messages& errors) {
    const std::size_t faults = errors.size();
    std::size_t number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++number;
        const std::vector<std::string_view> words = Words(line);
        if (words.empty())
            continue;
        const std::string where = "line " + std::to_string(number) + ": ";
        if (words.size() != 2) {
            errors.push_back(where + "expected FORMAT URL, found " + std::to_string(words.size()) +
                             " word(s)");
            continue;
        }
        UpdateSource source;
        source.formatName = words[0];
        source.url = words[1];
        source.line = number;
        source.signedDefinitions = words[0] == kSignedDefinitionsFormat;
        if (!source.signedDefinitions && !ParseFeedFormatName(words[0], source.format)) {
            errors.push_back(where + "unknown format '" + source.formatName + "' (hookwise, " +
                             FeedFormatNames() + ")");
            continue;
        }
        if (source.url.rfind("https://", 0) != 0 || source.url.size() == 8) {
            errors.push_back(where + "'" + source.url +
                             "' is no https:// address (plain HTTP is refused: a feed could be "
                             "changed on its way)");
            continue;
        }
        sources.push_back(std::move(source));
    }
    if (errors.size() == faults && sources.empty())
        errors.push_back("no source listed");
    return errors.size() == faults;
}

std::string ChooseSourceList(const std::string& option, const std::string& programFolder) {
    if (!option.empty())
        return option;
    if (const std::string config = UserConfigFolder(); !config.empty()) {
        const std::string user = config + "/hookwise/" + kSourceListFile;
        if (Exists(user))
            return user;
    }
    const std::string system = std::string("/etc/hookwise/") + kSourceListFile;
    if (Exists(system))
        return system;
    return programFolder + "/" + kSourceListFile;
}

} // namespace hookwise::tools
