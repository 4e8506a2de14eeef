// PlainOutput: writing the merged plain definitions source.
#include "tools/hkwdefs/feeds/PlainOutput.h"

#include "tools/hkwdefs/FileIo.h"
#include "tools/hkwdefs/IniText.h"

#include <iterator>

namespace hookwise::tools {

namespace {

struct ImportedList {
    std::string_view section;
    std::string_view prefix;
    const EntryList* entries;
    std::size_t first; // the first imported entry in entries
};

// The highest n of the PREFIX<n> keys of section, 0 when there is none.
unsigned long HighestIndex(const DefinitionSection& section, std::string_view prefix) {
    unsigned long highest = 0;
    for (const DefinitionEntry& entry : section.entries) {
        const DefinitionListInfo* list = nullptr;
        unsigned long index = 0;
        if (FindListKey(section.name, entry.key, list, index) && list->prefix == prefix &&
            index > highest)
            highest = index;
    }
    return highest;
}

void AppendHeader(std::string& text, std::string_view section) {
    text += '[';
    text += section;
    text += "]\n";
}

void AppendEntries(std::string& text, const ImportedList& list, unsigned long after) {
    std::string key(list.prefix);
    const std::size_t prefixLength = key.size();
    for (std::size_t i = list.first; i < list.entries->Size(); ++i) {
        key.resize(prefixLength);
        key += std::to_string(++after);
        const std::string_view value = list.entries->At(i);
        text += key;
        text += '=';
        if (NeedsQuotes(value)) {
            text += '"';
            text += value;
            text += '"';
        } else {
            text += value;
        }
        text += '\n';
    }
}

} // namespace

std::string FormatImportedDefinitions(const DefinitionSet& base,
                                      const ImportedDefinitions& imported,
                                      std::string_view comment) {
    const ImportedList lists[] = {
        {"HostLink", "HLINK", &imported.Web(), imported.FirstNewWeb()},
        {"From", "FROM", &imported.Senders(), imported.FirstNewSender()},
    };
    std::string text;
    std::size_t reserve = 64;
    for (const ImportedList& list : lists) {
        for (std::size_t i = list.first; i < list.entries->Size(); ++i)
            reserve += list.entries->At(i).size() + 16;
    }
    text.reserve(reserve);

    while (!comment.empty()) {
        const std::size_t end = comment.find('\n');
        text += "; ";
        text += comment.substr(0, end);
        text += '\n';
        comment = end == std::string_view::npos ? std::string_view() : comment.substr(end + 1);
    }
    bool written[std::size(lists)] = {};
    for (const DefinitionSection& section : base) {
        if (!text.empty())
            text += '\n';
        AppendHeader(text, section.name);
        for (const DefinitionEntry& entry : section.entries)
            text += FormatIniEntry(entry.key, entry.value) + "\n";
        for (std::size_t i = 0; i < std::size(lists); ++i) {
            if (written[i] || section.name != lists[i].section)
                continue;
            AppendEntries(text, lists[i], HighestIndex(section, lists[i].prefix));
            written[i] = true;
        }
    }
    for (std::size_t i = 0; i < std::size(lists); ++i) {
        if (written[i] || lists[i].first == lists[i].entries->Size())
            continue;
        if (!text.empty())
            text += '\n';
        AppendHeader(text, lists[i].section);
        AppendEntries(text, lists[i], 0);
    }
    return text;
}

bool WriteImportedDefinitions(const std::string& path, const DefinitionSet& base,
                              const ImportedDefinitions& imported, std::string_view comment,
                              std::string& error) {
    return WriteFileReplacing(path, FormatImportedDefinitions(base, imported, comment), error);
}

} // namespace hookwise::tools
