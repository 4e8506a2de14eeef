// Decompiler: the working copy's lines, unscrambled, as a definition set and as plain INI.
#include "tools/hkwdefs/Decompiler.h"

#include "tools/hkwdefs/IniText.h"
#include "core/definitions/ShippedFile.h"
#include "engine/LSPGlobals.h"

#include <algorithm>
#include <set>
#include <utility>

namespace hookwise::tools {

using namespace hookwise::core;

namespace {

char FoldAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - ('a' - 'A')) : c;
}

// The reader compares names ignoring ASCII case.
std::string FoldedName(std::string_view name) {
    std::string folded(name);
    for (char& c : folded)
        c = FoldAscii(c);
    return folded;
}

bool HasLineBreakOrZero(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool HasBlankEnds(std::string_view text) {
    return !text.empty() && (IsIniBlank(static_cast<unsigned char>(text.front())) ||
                             IsIniBlank(static_cast<unsigned char>(text.back())));
}

std::string SectionFault(std::string_view name) {
    if (name.empty())
        return "its name unscrambles to an empty text";
    if (HasLineBreakOrZero(name) || name.find(']') != std::string_view::npos || HasBlankEnds(name))
        return "its name unscrambles to a text that cannot stand in a [Section] header";
    return {};
}

std::string KeyFault(std::string_view key) {
    if (key.empty())
        return "a key name unscrambles to an empty text";
    if (HasLineBreakOrZero(key) || key.front() == '[' || key.front() == ';' ||
        key.find('=') != std::string_view::npos || HasBlankEnds(key))
        return "a key name unscrambles to a text that cannot stand before '='";
    return {};
}

std::string Printable(std::string_view text) {
    std::string out;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            static const char kHex[] = "0123456789ABCDEF";
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

bool DecompileWorkingCopy(std::string_view working, DefinitionSet& set, Messages& errors,
                          Messages& warnings) {
    const std::size_t errorsBefore = errors.size();
    std::set<std::string> seenSections; // scrambled names, folded as the reader folds them
    std::set<std::string> seenKeys;     // of the current section
    DefinitionSection* current = nullptr;
    std::string currentLabel;
    DefinitionSet result;

    for (const IniLine& line : SplitIniLines(working)) {
        switch (line.kind) {
        case IniLine::Comment:
            break;
        case IniLine::Section: {
            const std::string name = CLSPGlobals::DecryptString(line.name);
            currentLabel = '[' + Printable(name) + "] (line " + std::to_string(line.number) + ")";
            if (!seenSections.insert(FoldedName(line.name)).second) {
                warnings.push_back(currentLabel + ": repeated section; the reader never sees "
                                                  "its keys, so they are left out");
                current = nullptr;
                break;
            }
            result.push_back(DefinitionSection{name, {}});
            current = &result.back();
            seenKeys.clear();
            break;
        }
        case IniLine::NoEquals:
            if (current)
                warnings.push_back(currentLabel + " line " + std::to_string(line.number) +
                                   ": a line without '=' gives no value; left out");
            break;
        case IniLine::Entry: {
            if (!current)
                break; // before the first section: the reader ignores it
            const std::string key = CLSPGlobals::DecryptString(line.name);
            if (!seenKeys.insert(FoldedName(line.name)).second) {
                warnings.push_back(currentLabel + " " + Printable(key) + ": repeated key; only " +
                                   "its first value is read, so this one is left out");
                break;
            }
            std::string value = CLSPGlobals::DecryptString(line.value);
            value = value.substr(0, value.find('\0'));
            current->entries.push_back(DefinitionEntry{key, std::move(value), line.number});
            break;
        }
        }
    }

    // Keyless sections (the deciphered header line may form one) carry nothing.
    std::erase_if(result, [](const DefinitionSection& s) { return s.entries.empty(); });
    for (const DefinitionSection& section : result) {
        const std::string label = '[' + Printable(section.name) + "]";
        if (std::string fault = SectionFault(section.name); !fault.empty())
            errors.push_back(label + ": " + fault);
        for (const DefinitionEntry& entry : section.entries) {
            const std::string entryLabel =
                label + " " + Printable(entry.key) + " (line " + std::to_string(entry.line) + ")";
            if (std::string fault = KeyFault(entry.key); !fault.empty())
                errors.push_back(entryLabel + ": " + fault);
            if (entry.value.find_first_of("\r\n") != std::string::npos)
                errors.push_back(entryLabel +
                                 ": its value unscrambles to a text with a line break");
        }
    }
    set = std::move(result);
    return errors.size() == errorsBefore;
}

bool CheckShippedContent(std::string_view working, std::string& error) {
    const std::string_view content = working.substr(std::min(working.size(), kShippedHeaderBytes));
    if (const std::size_t nul = content.find('\0'); nul != std::string_view::npos) {
        error = "damaged: a zero byte at offset " + std::to_string(kShippedHeaderBytes + nul) +
                " of the deciphered file";
        return false;
    }
    std::string_view section;
    for (const IniLine& line : SplitIniLines(content)) {
        // Line numbers count the header line too, as in the deciphered file.
        const std::string where =
            "damaged: line " + std::to_string(line.number + 1) + " of the deciphered file ";
        if (line.kind == IniLine::Section) {
            section = CanonicalSection(CLSPGlobals::DecryptString(line.name));
            if (section.empty() || section != CLSPGlobals::DecryptString(line.name)) {
                error = where + "is not a definitions section header";
                return false;
            }
            continue;
        }
        const DefinitionListInfo* list = nullptr;
        unsigned long index = 0;
        if (line.kind != IniLine::Entry || section.empty() ||
            !FindListKey(section, CLSPGlobals::DecryptString(line.name), list, index)) {
            error = where + "is not a definitions entry";
            return false;
        }
    }
    return true;
}

std::string FormatPlainDefinitions(const DefinitionSet& set, std::string_view version) {
    std::string text;
    if (!version.empty())
        text += "; Hookwise definitions, version " + std::string(version) + "\n";
    for (const DefinitionSection& section : set) {
        if (!text.empty())
            text += "\n";
        text += "[" + section.name + "]\n";
        for (const DefinitionEntry& entry : section.entries)
            text += FormatIniEntry(entry.key, entry.value) + "\n";
    }
    return text;
}

} // namespace hookwise::tools
