// Parsing and checking a language pack source, and writing the pack file.
#include "tools/langpack/LangSource.h"

#include "core/FileNames.h"
#include "core/settings/LanguagePack.h"
#include "platform/TextEscape.h"
#include "platform/TextLines.h"
#include "platform/TextTrim.h"

#include <set>

namespace hookwise::tools {

using namespace hookwise::platform;

using namespace hookwise::core;

namespace {
// Space and TAB before a line or field; those and the CR of a CR LF line end after it.
std::string_view TrimLine(std::string_view text) {
    return TrimBack(TrimFront(text, kSpaceTab), " \t\r");
}

std::string LineError(int line, const std::string& what) {
    return "line " + std::to_string(line) + ": " + what;
}

// The printf directives of a text in order ("%s", "%%" ...), so a translation keeps them.
std::string Directives(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%')
            continue;
        out += '%';
        if (i + 1 < text.size())
            out += text[++i];
    }
    return out;
}

bool ParseNumber(std::string_view text, std::uint64_t& value) {
    if (text.empty() || text.size() > 10)
        return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + std::uint64_t(c - '0');
    }
    return true;
}

std::set<std::uint32_t> TrayCommands() {
    std::set<std::uint32_t> commands;
    for (const MenuItem& popup : LoadTrayMenu()) {
        for (const MenuItem& item : popup.items) {
            if (!item.isPopup && item.command != 0)
                commands.insert(item.command);
        }
    }
    return commands;
}
} // namespace

bool ParseLangSource(std::string_view source, bool complete, LangSource& out, std::string& error) {
    out = LangSource{};
    enum class Section { None, Messages, TrayMenu } section = Section::None;
    const std::set<std::uint32_t> commands = TrayCommands();
    const std::size_t topItems = LoadTrayMenu().size();

    int number = 0;
    for (const std::string_view sourceLine : SplitLines(source)) {
        const std::string_view line = TrimLine(sourceLine);
        ++number;
        if (line.empty() || line.front() == '#' || line.front() == ';')
            continue;
        if (line.front() == '[') {
            if (line == "[Messages]")
                section = Section::Messages;
            else if (line == "[TrayMenu]")
                section = Section::TrayMenu;
            else {
                error = LineError(number, "unknown section " + std::string(line) +
                                              " (use [Messages] or [TrayMenu])");
                return false;
            }
            continue;
        }
        std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            error = LineError(number, "expected KEY = text");
            return false;
        }
        std::string_view key = TrimLine(line.substr(0, equals));
        std::string_view value = TrimLine(line.substr(equals + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        std::string text = UnescapeTabsAndLineFeeds(value);
        if (text.empty()) {
            error = LineError(number, "empty text for " + std::string(key));
            return false;
        }
        std::string stored;
        if (!EncodePackValue(text, stored)) {
            error = LineError(number, "the text may not start with a blank or hold a CR or NUL");
            return false;
        }

        std::uint64_t id = 0;
        switch (section) {
        case Section::None:
            error = LineError(number, "text before the first [Messages] or [TrayMenu] line");
            return false;
        case Section::Messages: {
            if (!ParseNumber(key, id) || !BuiltInText(static_cast<std::uint32_t>(id))) {
                error = LineError(number, "no string " + std::string(key) + " in the program");
                return false;
            }
            auto textId = static_cast<std::uint32_t>(id);
            if (!IsTranslatableText(textId)) {
                error = LineError(number, "string " + std::string(key) +
                                              " is a name and is not "
                                              "translated");
                return false;
            }
            if (Directives(text) != Directives(BuiltInText(textId))) {
                error = LineError(number, "string " + std::string(key) +
                                              " must keep the % "
                                              "directives of the original (" +
                                              Directives(BuiltInText(textId)) + ")");
                return false;
            }
            if (!out.texts.emplace(textId, text).second) {
                error = LineError(number, "string " + std::string(key) + " given twice");
                return false;
            }
            break;
        }
        case Section::TrayMenu: {
            if (!key.empty() && key.front() == '@') {
                if (!ParseNumber(key.substr(1), id) || id >= topItems) {
                    error = LineError(number, "no top-level menu item " + std::string(key));
                    return false;
                }
                if (!out.menuTop.emplace(static_cast<int>(id), text).second) {
                    error = LineError(number, "menu item " + std::string(key) + " given twice");
                    return false;
                }
                break;
            }
            if (!ParseNumber(key, id) || !commands.count(static_cast<std::uint32_t>(id))) {
                error = LineError(number, "no tray menu command " + std::string(key));
                return false;
            }
            if (!out.menuCommands.emplace(static_cast<std::uint32_t>(id), text).second) {
                error = LineError(number, "menu command " + std::string(key) + " given twice");
                return false;
            }
            break;
        }
        }
    }

    if (!complete)
        return true;
    std::string missing;
    for (std::uint32_t id : BuiltInTextIds()) {
        if (IsTranslatableText(id) && !out.texts.count(id))
            missing += " " + std::to_string(id);
    }
    for (std::uint32_t command : commands) {
        if (!out.menuCommands.count(command))
            missing += ' ' + std::to_string(command);
    }
    for (std::size_t p = 0; p < topItems; ++p) {
        if (!out.menuTop.count(static_cast<int>(p)))
            missing += " @" + std::to_string(p);
    }
    if (!missing.empty()) {
        error = "no translation for:" + missing;
        return false;
    }
    return true;
}

std::string BuildPackText(const LangSource& source, const std::string& languageName) {
    std::string pack = "; " + languageName +
                       " language pack of Hookwise, made by langpack from its source. Edit the "
                       "source and rebuild; do not edit this file.\r\n";
    std::string stored;
    pack += "[" + ReverseText(kMsgSection) + "]\r\n";
    for (const auto& [id, text] : source.texts) {
        EncodePackValue(text, stored);
        pack += TextKey(id) + "=" + stored + "\r\n";
    }

    pack += '[' + ReverseText(kTrayMenuSection) + "]\r\n";
    Menu menu = LoadTrayMenu();
    RuntimeRandom random(kMenuKeySeed);
    for (std::size_t p = 0; p < menu.size(); ++p) {
        int draw = random.Next() % 50;
        auto it = source.menuTop.find(static_cast<int>(p));
        if (it == source.menuTop.end())
            continue;
        EncodePackValue(it->second, stored);
        pack += TopMenuKey(menu[p].text, draw, static_cast<int>(p)) + "=" + stored + "\r\n";
    }
    for (const auto& [command, text] : source.menuCommands) {
        EncodePackValue(text, stored);
        pack += TextKey(command) + "=" + stored + "\r\n";
    }
    return pack;
}

LangSource BuiltInSource() {
    LangSource source;
    for (std::uint32_t id : BuiltInTextIds()) {
        if (IsTranslatableText(id))
            source.texts[id] = BuiltInText(id);
    }
    Menu menu = LoadTrayMenu();
    for (std::size_t p = 0; p < menu.size(); ++p) {
        source.menuTop[static_cast<int>(p)] = menu[p].text;
        for (const MenuItem& item : menu[p].items) {
            if (!item.isPopup && item.command != 0)
                source.menuCommands[item.command] = item.text;
        }
    }
    return source;
}

std::string BuiltInSourceText() {
    LangSource source = BuiltInSource();
    std::string text = "# Hookwise language pack source. One text per line: KEY = text.\n"
                       "# \"\\n\" is a line break, \"\\t\" a tab; keep every %s of a text.\n"
                       "[Messages]\n";
    for (const auto& [id, value] : source.texts)
        text += std::to_string(id) + " = " + EscapeTabsAndLineFeeds(value) + "\n";
    text += "\n# @P is the top-level item at position P, a number the pop-up item with that "
            "command.\n[TrayMenu]\n";
    for (const auto& [position, value] : source.menuTop)
        text += '@' + std::to_string(position) + " = " + EscapeTabsAndLineFeeds(value) + "\n";
    for (const auto& [command, value] : source.menuCommands)
        text += std::to_string(command) + " = " + EscapeTabsAndLineFeeds(value) + "\n";
    return text;
}

} // namespace hookwise::tools
