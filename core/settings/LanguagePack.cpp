// The language layer: current language, string look-up through the pack, menu translation and
// the installed packs.
#include "core/settings/LanguagePack.h"

#include "core/FileNames.h"
#include "core/TextUtil.h"
#include "platform/Profile.h"

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <vector>

namespace hookwise::core {

namespace {
std::mutex gLanguageMutex;
std::string gCurrentLanguage = kDefaultLanguage;

constexpr DWORD kTextBuffer = 1024;   // string values
constexpr DWORD kTopItemBuffer = 260; // top-level menu items
constexpr DWORD kItemBuffer = 1000;   // pop-up menu items
constexpr std::size_t kMaxItemText = 255;

// The pack's value of key in the reversed section, or fallback; star rule and escapes applied.
std::string ReadPackValue(const std::string& packPath, const std::string& section,
                          const std::string& key, const std::string& fallback, DWORD size) {
    std::vector<char> buffer(size, '\0');
    std::string reversed = ReverseText(section);
    GetPrivateProfileStringA(reversed.c_str(), key.c_str(), fallback.c_str(), buffer.data(), size,
                             packPath.c_str());
    return DecodePackValue(buffer.data());
}

void TranslateMenuWith(const std::string& packPath, Menu& menu, const std::string& section) {
    RuntimeRandom random(kMenuKeySeed);
    for (std::size_t p = 0; p < menu.size(); ++p) {
        int draw = random.Next() % 50;
        std::string text = menu[p].text.substr(0, kMaxItemText);
        if (text.empty())
            continue;
        std::string key = TopMenuKey(text, draw, static_cast<int>(p));
        std::string result = ReadPackValue(packPath, section, key, text, kTopItemBuffer);
        menu[p].text = result.empty() ? text : result;
    }
    for (MenuItem& popup : menu) {
        if (!popup.isPopup)
            continue;
        for (MenuItem& item : popup.items) {
            if (item.isPopup) {
                TranslateMenuWith(packPath, item.items, section);
                continue;
            }
            if (item.command == 0 || item.text.empty())
                continue;
            // An empty pack text is set as it is (only top-level items keep their text then).
            std::string result =
                ReadPackValue(packPath, section, RotatedKey(item.command), item.text, kItemBuffer);
            // The text goes to the first item of this command, as a by-command change does.
            if (MenuItem* target = FindMenuCommand(menu, item.command))
                target->text = result;
        }
    }
}
} // namespace

std::string CurrentLanguage() {
    std::lock_guard<std::mutex> lock(gLanguageMutex);
    return gCurrentLanguage;
}

void SetCurrentLanguage(std::string name) {
    std::lock_guard<std::mutex> lock(gLanguageMutex);
    gCurrentLanguage = std::move(name);
}

std::string LanguagePackPath(const std::string& language) {
    return GetLanguageFolder() + "/" + EncodeFileName(language) + ".pbl";
}

std::string LoadTextIn(const std::string& language, std::uint32_t id) {
    const char* builtIn = BuiltInText(id);
    if (!builtIn)
        return "";
    std::string result =
        ReadPackValue(LanguagePackPath(language), kMsgSection, TextKey(id), builtIn, kTextBuffer);
    return result.empty() ? std::string(builtIn) : result;
}

std::string LoadText(std::uint32_t id) {
    return LoadTextIn(CurrentLanguage(), id);
}

void TranslateMenuIn(const std::string& language, Menu& menu, const std::string& section) {
    TranslateMenuWith(LanguagePackPath(language), menu, section);
}

void TranslateMenu(Menu& menu, const std::string& section) {
    TranslateMenuIn(CurrentLanguage(), menu, section);
}

std::string ListLanguages() {
    namespace fs = std::filesystem;
    std::vector<std::string> stems;
    std::error_code error;
    for (fs::directory_iterator it(GetLanguageFolder(), error), end; !error && it != end;
         it.increment(error)) {
        std::error_code typeError;
        if (it->is_directory(typeError))
            continue;
        fs::path name = it->path().filename();
        if (!platform::EqualsIgnoreAsciiCase(name.extension().string(), ".pbl"))
            continue;
        stems.push_back(name.stem().string());
    }
    std::sort(stems.begin(), stems.end());
    std::string joined;
    for (const std::string& stem : stems) {
        if (!joined.empty())
            joined += "|";
        joined += DecodeFileName(stem);
    }
    return joined;
}

} // namespace hookwise::core
