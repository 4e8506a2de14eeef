// Compiler: scrambling, the per-field checks, the shipped file and its read-back proof.
#include "tools/hkwdefs/Compiler.h"

#include "tools/hkwdefs/Decompiler.h"
#include "tools/hkwdefs/IniText.h"
#include "tools/hkwdefs/TempFile.h"
#include "core/definitions/ShippedFile.h"
#include "engine/LSPGlobals.h"
#include "platform/AsciiCase.h"
#include "platform/FixedField.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace hookwise::tools {

using namespace hookwise::platform;

using namespace hookwise::core;

namespace {

constexpr unsigned long kReadBufferSize = kFieldSize; // the engine's largest value buffer

std::string Hex(unsigned char byte) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", byte);
    return text;
}

std::string CharacterLabel(std::string_view plain, std::size_t i) {
    return "character " + std::to_string(i + 1) + " (" + Hex(static_cast<unsigned char>(plain[i])) +
           ")";
}

bool InMatchingQuotes(std::string_view text) {
    return text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
           text.front() == text.back();
}

// Faults of the scrambling itself: a dropped zero byte or an escape byte that reads back changed.
std::string ByteFault(std::string_view plain, const std::string& scrambled) {
    if (scrambled.size() != plain.size()) {
        // Scrambling keeps one byte per character except a sum of 0: find the first dropped one.
        for (std::size_t i = 0; i < plain.size(); ++i) {
            if (CLSPGlobals::EncryptString(std::string(plain.substr(0, i + 1))).size() != i + 1)
                return CharacterLabel(plain, i) + " scrambles to a zero byte, which is dropped";
        }
    }
    const std::string back = CLSPGlobals::DecryptString(scrambled);
    for (std::size_t i = 0; i < plain.size() && i < back.size(); ++i) {
        if (back[i] != plain[i])
            return CharacterLabel(plain, i) + " scrambles to the escape byte " +
                   Hex(static_cast<unsigned char>(scrambled[i])) + " and reads back as " +
                   Hex(static_cast<unsigned char>(back[i]));
    }
    for (std::size_t i = 0; i < scrambled.size(); ++i) {
        if (scrambled[i] == '\r' || scrambled[i] == '\n')
            return CharacterLabel(plain, i) + " scrambles to a line break";
    }
    return {};
}

std::string LineFault(const std::string& scrambled, ScrambledField field) {
    const auto front = static_cast<unsigned char>(scrambled.front());
    const auto back = static_cast<unsigned char>(scrambled.back());
    if (IsIniBlank(front) || IsIniBlank(back))
        return "it scrambles to a text with a blank at its start or end, which the reader trims";
    switch (field) {
    case ScrambledField::Value:
        if (InMatchingQuotes(scrambled))
            return "it scrambles to a text in matching quotes, which the reader removes";
        break;
    case ScrambledField::KeyName:
        if (front == '[' || front == ';')
            return "it scrambles to a line that starts with '" + std::string(1, scrambled[0]) +
                   "' (a section header or a comment)";
        if (scrambled.find('=') != std::string::npos)
            return "it scrambles to a text holding '=', which would split the line";
        break;
    case ScrambledField::SectionName:
        if (scrambled.find(']') != std::string::npos)
            return "it scrambles to a text holding ']', which would end the section name";
        break;
    }
    return {};
}

const DefinitionListInfo* ListOf(std::string_view section, std::string_view key) {
    const DefinitionListInfo* list = nullptr;
    unsigned long index = 0;
    return FindListKey(section, key, list, index) ? list : nullptr;
}

bool CheckScrambledFields(const DefinitionSet& set, Messages& errors) {
    const std::size_t errorsBefore = errors.size();
    for (const DefinitionSection& section : set) {
        if (std::string fault = ScrambleFault(section.name, ScrambledField::SectionName);
            !fault.empty())
            errors.push_back("[" + section.name + "]: section name refused: " + fault);
        for (const DefinitionEntry& entry : section.entries) {
            if (std::string fault = ScrambleFault(entry.key, ScrambledField::KeyName);
                !fault.empty())
                errors.push_back(EntryLabel(section.name, entry) + ": key name refused: " + fault);
            if (entry.value.empty())
                continue; // the list rules report it
            if (std::string fault = ScrambleFault(entry.value, ScrambledField::Value);
                !fault.empty())
                errors.push_back(EntryLabel(section.name, entry) + ": value refused: " + fault);
        }
    }
    return errors.size() == errorsBefore;
}

// The deciphered header line must not form a section whose name a real section also has: the
// reader searches only the first copy of a section, so it would hide the real one.
bool CheckHeaderLine(std::string_view working, const DefinitionSet& set, std::string_view version,
                     Messages& errors) {
    const std::size_t errorsBefore = errors.size();
    for (const IniLine& line : SplitIniLines(working.substr(0, kShippedHeaderBytes))) {
        if (line.kind != IniLine::Section)
            continue;
        for (const DefinitionSection& section : set) {
            if (EqualsIgnoreAsciiCase(line.name, CLSPGlobals::EncryptString(section.name)))
                errors.push_back("version " + std::string(version) +
                                 ": the header line deciphers to a section header that hides [" +
                                 section.name + "]; choose another version date");
        }
    }
    return errors.size() == errorsBefore;
}

} // namespace

std::string ScrambleFault(std::string_view plain, ScrambledField field) {
    if (plain.empty())
        return "it is empty";
    for (std::size_t i = 0; i < plain.size(); ++i) {
        if (plain[i] == '\0' || plain[i] == '\r' || plain[i] == '\n')
            return CharacterLabel(plain, i) + " cannot stand on an INI line";
    }
    const std::string scrambled = CLSPGlobals::EncryptString(std::string(plain));
    if (std::string fault = ByteFault(plain, scrambled); !fault.empty())
        return fault;
    return LineFault(scrambled, field);
}

std::string ScrambledDefinitionText(const DefinitionSet& set) {
    std::string text;
    for (const DefinitionSection& section : set) {
        if (section.entries.empty())
            continue;
        text += '[' + CLSPGlobals::EncryptString(section.name) + "]\r\n";
        for (const DefinitionEntry& entry : section.entries)
            text += CLSPGlobals::EncryptString(entry.key) + "=" +
                    CLSPGlobals::EncryptString(entry.value) + "\r\n";
    }
    return text;
}

bool VerifyShippedFile(std::string_view shipped, const DefinitionSet& set, Messages& errors,
                       const CompileProgress& progress, int first) {
    std::string working;
    std::string error;
    if (!DecipherAtStartUp(shipped, working, error)) {
        errors.push_back("the compiled file cannot be deciphered: " + error);
        return false;
    }
    if (!CheckShippedContent(working, error)) {
        errors.push_back("the compiled file does not decipher cleanly: " + error);
        return false;
    }
    if (!CheckHeaderLine(working, set, ShippedVersion(shipped), errors))
        return false;

    TempFile copy;
    if (!copy.Create(working, error)) {
        errors.push_back("cannot check the compiled file: " + error);
        return false;
    }
    const char* path = copy.Path().c_str();
    const std::size_t errorsBefore = errors.size();
    std::vector<char> buffer(kReadBufferSize);
    std::size_t total = 0;
    for (const DefinitionSection& section : set)
        total += section.entries.size();
    std::size_t done = 0;
    for (const DefinitionSection& section : set) {
        for (const DefinitionEntry& entry : section.entries) {
            if (progress && ++done % 4096 == 0)
                progress(first + static_cast<int>((100 - first) * done / total));
            const DefinitionListInfo* list = ListOf(section.name, entry.key);
            const unsigned long size = list ? list->maxLength + 1 : kReadBufferSize;
            buffer.assign(kReadBufferSize, '\0');
            const unsigned long count = CLSPGlobals::GetEncPrivateProfileString(
                section.name.c_str(), entry.key.c_str(), "", buffer.data(), size, path);
            if (count != entry.value.size() || entry.value != buffer.data())
                errors.push_back(EntryLabel(section.name, entry) +
                                 ": the profile reader reads back \"" + std::string(buffer.data()) +
                                 "\" instead of its value");
        }
    }
    // Each list must end where the set ends: the index after its last entry is absent.
    for (const DefinitionListInfo& list : kDefinitionLists) {
        unsigned long last = 0;
        for (const DefinitionSection& section : set) {
            for (const DefinitionEntry& entry : section.entries) {
                const DefinitionListInfo* found = nullptr;
                unsigned long index = 0;
                if (FindListKey(section.name, entry.key, found, index) && found == &list)
                    last = std::max(last, index);
            }
        }
        const std::string next = std::string(list.prefix) + std::to_string(last + 1);
        const std::string section(list.section);
        if (CLSPGlobals::GetEncPrivateProfileString(section.c_str(), next.c_str(), "",
                                                    buffer.data(), kReadBufferSize, path) != 0)
            errors.push_back("[" + section + "] " + next +
                             ": the compiled file holds an entry the source does not");
    }
    return errors.size() == errorsBefore;
}

bool CheckDefinitions(const DefinitionSet& set, std::string_view version, Messages& errors) {
    std::string reason;
    if (!CheckVersion(version, reason)) {
        errors.push_back("--version " + std::string(version) + ": " + reason);
        return false;
    }
    const bool listsOk = CheckDefinitionLists(set, errors);
    const bool fieldsOk = CheckScrambledFields(set, errors);
    return listsOk && fieldsOk;
}

bool CompileDefinitions(const DefinitionSet& set, std::string_view version, std::string& shipped,
                        Messages& errors, const CompileProgress& progress) {
    if (!CheckDefinitions(set, version, errors))
        return false;
    if (progress)
        progress(20);
    std::string file = BuildShippedFile(version, ScrambledDefinitionText(set));
    if (progress)
        progress(40);
    if (!VerifyShippedFile(file, set, errors, progress, 40))
        return false;
    shipped = std::move(file);
    return true;
}

} // namespace hookwise::tools
