// DefinitionSet: the definition lists in plain text, read from the source INI and checked against
// the rules of the engine's list walk.
//
// Sections and keys are the database's: "HostIP" IP1.., "HostLink" HLINK1.., "Link" CLINK1.. and
// VLINK1.., "From" FROM1.., "Subject" SUB1.., "Text" TXT1... The engine reads a list from index 1
// up to the first absent or empty key, with values cut at 260 characters (99 for host addresses);
// the checks refuse every entry that walk would lose or change.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace hookwise::tools {

using Messages = std::vector<std::string>;

struct DefinitionListInfo {
    std::string_view section;
    std::string_view prefix;
    std::size_t maxLength; // longest value the engine's read keeps whole
};

inline constexpr DefinitionListInfo kDefinitionLists[] = {
    {"HostIP", "IP", 99},   {"HostLink", "HLINK", 260}, {"Link", "CLINK", 260},
    {"Link", "VLINK", 260}, {"From", "FROM", 260},      {"Subject", "SUB", 260},
    {"Text", "TXT", 260},
};

struct DefinitionEntry {
    std::string key;
    std::string value;
    std::size_t line = 0; // line in the source, 0 when unknown
};

struct DefinitionSection {
    std::string name;
    std::vector<DefinitionEntry> entries; // source order
};

using DefinitionSet = std::vector<DefinitionSection>; // source order

// Where a key belongs: its list and index. False when key is not PREFIX<n> of a list of section
// (n from 1, decimal, no leading zero); prefixes match ignoring case.
bool FindListKey(std::string_view section, std::string_view key, const DefinitionListInfo*& list,
                 unsigned long& index);

// The canonical spelling of a known section name (matched ignoring case), or "" when unknown.
std::string_view CanonicalSection(std::string_view name);

// Reads the plain definitions INI. Section names and key prefixes take their canonical spelling
// (the scrambled names are case-sensitive, so "hostip" must become "HostIP"); a section given twice
// is merged into its first copy; a leading UTF-8 byte order mark is skipped. Returns false and adds
// one message per fault (source line, section, key, reason): a line that is neither header, comment
// nor KEY=VALUE, a key before the first section, a NUL byte, an unknown section or key, a repeated
// key. set holds what could be read.
bool ReadPlainDefinitions(std::string_view text, DefinitionSet& set, Messages& errors);

// Checks the list rules on a set whose names are canonical: no empty value, no value longer than
// its list keeps, no gap in a list, every VLINK beside a CLINK of the same index that is not
// "null", and at least one entry. Returns false and adds one message per fault.
bool CheckDefinitionLists(const DefinitionSet& set, Messages& errors);

// "[Section] KEY (line N)" for messages.
std::string EntryLabel(std::string_view section, const DefinitionEntry& entry);

} // namespace hookwise::tools
