// The parsed form of a profile (INI) file: its sections and keys, found by name in constant time
// ignoring ASCII case, with the Windows line rules applied once at parse time.
#pragma once

#include "platform/TextTrim.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace hookwise::platform {

// Space, TAB and VT: the blanks trimmed around lines, names and values (Trim of TextTrim.h).
inline constexpr std::string_view kProfileBlanks = kSpaceTabVt;
bool IsProfileBlank(unsigned char c);
// A text of at least 2 characters that starts and ends with the same ' or " loses that pair.
std::string_view StripMatchingQuotes(std::string_view value);

// Hash and equality of section and key names: ASCII letters fold, every other byte stands as is.
struct ProfileNameHash {
    std::size_t operator()(std::string_view name) const noexcept;
};
struct ProfileNameEqual {
    bool operator()(std::string_view a, std::string_view b) const noexcept;
};

using ProfileNameIndex =
    std::unordered_map<std::string_view, std::uint32_t, ProfileNameHash, ProfileNameEqual>;

// One key line: the trimmed name and value (quotes kept, as the section list shows them).
struct ProfileEntry {
    std::string_view name;
    std::string_view value;
    bool hasValue = false; // false for a line without '='
};

struct ProfileSection {
    std::string_view name;
    std::vector<ProfileEntry> entries; // file order, repeated keys included
    ProfileNameIndex firstByName;      // name -> index of its first entry

    // The first entry of that name (name already trimmed), or null.
    const ProfileEntry* Find(std::string_view key) const;
};

// The sections of one file's bytes. Every view points into the bytes the object owns, so the
// object is neither copied nor moved; share it through a pointer.
class ParsedProfile {
public:
    // Parses text: lines end at CR, LF or any run of them; a NUL ends the text of its line;
    // comment lines (first non-blank ';'), blank lines and keys before the first header are
    // skipped; a repeated section is skipped whole, so only its first copy is ever searched.
    // keyIndex false leaves every section's firstByName empty (Find then finds nothing), for a
    // reader that goes through the entries in order and indexes a section itself when it must.
    explicit ParsedProfile(std::string text, bool keyIndex = true);
    ParsedProfile(const ParsedProfile&) = delete;
    ParsedProfile& operator=(const ParsedProfile&) = delete;

    // The first section of that name (name already trimmed), or null.
    const ProfileSection* FindSection(std::string_view name) const;
    const std::vector<ProfileSection>& Sections() const { return sections_; }

private:
    // current: index of the section that receives key lines, or -1 while they are skipped.
    void ParseLine(std::string_view line, long& current);

    const std::string text_;
    const bool keyIndex_;
    std::vector<ProfileSection> sections_;
    ProfileNameIndex sectionByName_;
};

} // namespace hookwise::platform
