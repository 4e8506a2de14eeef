// DefinitionSet: reading the plain definitions INI and checking the list rules.
#include "tools/hkwdefs/DefinitionSet.h"

#include "tools/hkwdefs/IniText.h"
#include "platform/AsciiCase.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>

namespace hookwise::tools {

using namespace hookwise::platform;

namespace {

bool IsNullSlot(std::string_view value) {
    return EqualsIgnoreAsciiCase(value, "null");
}

std::string LineLabel(std::size_t line) {
    return "line " + std::to_string(line);
}

// The keys a section accepts, for messages: "IP1, IP2, ..." or "CLINK1.. and VLINK1..".
std::string ExpectedKeys(std::string_view section) {
    std::string keys;
    for (const DefinitionListInfo& list : kDefinitionLists) {
        if (list.section != section)
            continue;
        if (!keys.empty())
            keys += " or ";
        keys += std::string(list.prefix) + "1, " + std::string(list.prefix) + "2, ...";
    }
    return keys;
}

std::string KnownSections() {
    std::string names;
    std::string_view previous;
    for (const DefinitionListInfo& list : kDefinitionLists) {
        if (list.section == previous)
            continue;
        if (!names.empty())
            names += ", ";
        names += std::string(list.section);
        previous = list.section;
    }
    return names;
}

DefinitionSection& SectionNamed(DefinitionSet& set, std::string_view name) {
    for (DefinitionSection& section : set) {
        if (section.name == name)
            return section;
    }
    set.push_back(DefinitionSection{std::string(name), {}});
    return set.back();
}

} // namespace

std::string EntryLabel(std::string_view section, const DefinitionEntry& entry) {
    std::string label = '[' + std::string(section) + "] " + entry.key;
    if (entry.line != 0)
        label += " (" + LineLabel(entry.line) + ")";
    return label;
}

std::string_view CanonicalSection(std::string_view name) {
    for (const DefinitionListInfo& list : kDefinitionLists) {
        if (EqualsIgnoreAsciiCase(name, list.section))
            return list.section;
    }
    return {};
}

bool FindListKey(std::string_view section, std::string_view key, const DefinitionListInfo*& found,
                 unsigned long& index) {
    for (const DefinitionListInfo& list : kDefinitionLists) {
        if (list.section != section || key.size() <= list.prefix.size() ||
            !EqualsIgnoreAsciiCase(key.substr(0, list.prefix.size()), list.prefix))
            continue;
        const std::string_view digits = key.substr(list.prefix.size());
        // Nine digits at most keep the index inside unsigned long; no list comes near that.
        if (digits.size() > 9 || digits.front() == '0' ||
            !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return false;
        found = &list;
        index = std::stoul(std::string(digits));
        return true;
    }
    return false;
}

bool ReadPlainDefinitions(std::string_view text, DefinitionSet& set, Messages& errors) {
    const std::size_t errorsBefore = errors.size();
    // Editors on Windows often start UTF-8 files with a byte order mark; it is no part of the text.
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    if (const std::size_t nul = text.find('\0'); nul != std::string_view::npos) {
        const std::size_t line =
            1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + nul, '\n'));
        errors.push_back(LineLabel(line) + ": contains a NUL byte");
        return false;
    }

    DefinitionSection* current = nullptr;
    bool skippingUnknown = false; // keys of an unknown section are not reported one by one
    std::set<std::pair<std::string, std::string>> seenKeys;
    for (const IniLine& line : SplitIniLines(text)) {
        switch (line.kind) {
        case IniLine::Comment:
            break;
        case IniLine::NoEquals:
            errors.push_back(LineLabel(line.number) + ": \"" + line.value +
                             "\" is neither a [Section] header nor a KEY=VALUE line");
            break;
        case IniLine::Section: {
            if (!line.closed) {
                errors.push_back(LineLabel(line.number) + ": section header without ']'");
                current = nullptr;
                skippingUnknown = true;
                break;
            }
            const std::string_view canonical = CanonicalSection(line.name);
            if (canonical.empty()) {
                errors.push_back(LineLabel(line.number) + ": [" + line.name +
                                 "] is not a definitions section (known: " + KnownSections() + ")");
                current = nullptr;
                skippingUnknown = true;
                break;
            }
            current = &SectionNamed(set, canonical);
            skippingUnknown = false;
            break;
        }
        case IniLine::Entry: {
            if (!current) {
                if (!skippingUnknown)
                    errors.push_back(LineLabel(line.number) + ": " + line.name +
                                     " stands before the first [Section] header");
                break;
            }
            DefinitionEntry entry{line.name, line.value, line.number};
            const DefinitionListInfo* list = nullptr;
            unsigned long index = 0;
            if (!FindListKey(current->name, line.name, list, index)) {
                errors.push_back(EntryLabel(current->name, entry) +
                                 ": not a key of this section (expected " +
                                 ExpectedKeys(current->name) + ")");
                break;
            }
            entry.key = std::string(list->prefix) + std::to_string(index);
            if (!seenKeys.emplace(current->name, entry.key).second) {
                errors.push_back(EntryLabel(current->name, entry) +
                                 ": repeated key; only its first value would be read");
                break;
            }
            current->entries.push_back(std::move(entry));
            break;
        }
        }
    }
    return errors.size() == errorsBefore;
}

bool CheckDefinitionLists(const DefinitionSet& set, Messages& errors) {
    const std::size_t errorsBefore = errors.size();
    std::size_t entryCount = 0;
    // Per list: index -> entry, to find gaps and the CLINK partner of each VLINK.
    std::map<const DefinitionListInfo*, std::map<unsigned long, const DefinitionEntry*>> lists;

    for (const DefinitionSection& section : set) {
        for (const DefinitionEntry& entry : section.entries) {
            ++entryCount;
            const DefinitionListInfo* list = nullptr;
            unsigned long index = 0;
            if (!FindListKey(section.name, entry.key, list, index)) {
                errors.push_back(EntryLabel(section.name, entry) + ": not a definitions key");
                continue;
            }
            lists[list][index] = &entry;
            if (entry.value.empty())
                errors.push_back(EntryLabel(section.name, entry) +
                                 ": empty value; an empty entry ends the list, so it and every "
                                 "later one would never be read");
            else if (entry.value.size() > list->maxLength)
                errors.push_back(EntryLabel(section.name, entry) + ": value of " +
                                 std::to_string(entry.value.size()) + " characters; the engine " +
                                 "reads at most " + std::to_string(list->maxLength));
        }
    }
    if (entryCount == 0) {
        errors.push_back("no definitions: the source holds no entries");
        return false;
    }

    const DefinitionListInfo* clinks = nullptr;
    for (const DefinitionListInfo& list : kDefinitionLists) {
        if (list.prefix == "CLINK")
            clinks = &list;
    }
    for (const auto& [list, entries] : lists) {
        // The walk stops at the first missing index: report the first entry after each gap.
        // VLINK entries are not walked but read beside their CLINK, so they may have gaps.
        unsigned long expected = 1;
        for (const auto& [index, entry] : entries) {
            if (index != expected && list->prefix != "VLINK")
                errors.push_back(EntryLabel(list->section, *entry) + ": " +
                                 std::string(list->prefix) + std::to_string(expected) +
                                 " is missing, so this and every later " +
                                 std::string(list->prefix) + " entry would never be read");
            expected = index + 1;
        }
        if (list->prefix != "VLINK")
            continue;
        static const std::map<unsigned long, const DefinitionEntry*> kNoPartners;
        const auto found = lists.find(clinks);
        const auto& partners = found == lists.end() ? kNoPartners : found->second;
        for (const auto& [index, entry] : entries) {
            const auto partner = partners.find(index);
            if (partner == partners.end())
                errors.push_back(EntryLabel(list->section, *entry) + ": no CLINK" +
                                 std::to_string(index) + " beside it, so it would never be read");
            else if (IsNullSlot(partner->second->value))
                errors.push_back(EntryLabel(list->section, *entry) + ": its CLINK" +
                                 std::to_string(index) +
                                 " is \"null\" (an empty slot), so it would never be read");
        }
    }
    return errors.size() == errorsBefore;
}

} // namespace hookwise::tools
