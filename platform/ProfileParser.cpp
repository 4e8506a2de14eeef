// Parsing a profile file's bytes into sections and keys with the Windows line rules.
#include "platform/ProfileParser.h"

#include <cstring>

namespace hookwise::platform {

namespace {

unsigned char FoldAscii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

bool IsLineBreak(char c) {
    return c == '\r' || c == '\n';
}

} // namespace

bool IsProfileBlank(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\v';
}

std::string_view StripMatchingQuotes(std::string_view value) {
    if (value.size() < 2)
        return value;
    char first = value.front();
    if ((first != '"' && first != '\'') || value.back() != first)
        return value;
    return value.substr(1, value.size() - 2);
}

std::size_t ProfileNameHash::operator()(std::string_view name) const noexcept {
    // FNV-1a over the folded bytes, then a final mix so that the low bits the table uses
    // depend on every byte.
    std::uint64_t h = 14695981039346656037ull;
    for (char c : name) {
        h ^= FoldAscii(static_cast<unsigned char>(c));
        h *= 1099511628211ull;
    }
    h ^= h >> 29;
    h *= 0xbf58476d1ce4e5b9ull;
    h ^= h >> 32;
    return static_cast<std::size_t>(h);
}

bool ProfileNameEqual::operator()(std::string_view a, std::string_view b) const noexcept {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(static_cast<unsigned char>(a[i])) !=
            FoldAscii(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

const ProfileEntry* ProfileSection::Find(std::string_view key) const {
    auto it = firstByName.find(key);
    if (it == firstByName.end())
        return nullptr;
    return &entries[it->second];
}

ParsedProfile::ParsedProfile(std::string text, bool keyIndex)
    : text_(std::move(text)), keyIndex_(keyIndex) {
    const char* data = text_.data();
    const std::size_t size = text_.size();
    long current = -1; // keys before the first header belong to no section
    std::size_t pos = 0;
    while (pos < size) {
        std::size_t end = pos;
        while (end < size && !IsLineBreak(data[end]))
            ++end;
        // A NUL ends the text of its line; the rest of that line is ignored.
        const void* nul = std::memchr(data + pos, '\0', end - pos);
        std::size_t textEnd =
            nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - data) : end;
        ParseLine(std::string_view(data + pos, textEnd - pos), current);
        pos = end;
        while (pos < size && IsLineBreak(data[pos]))
            ++pos;
    }
}

void ParsedProfile::ParseLine(std::string_view rawLine, long& current) {
    std::string_view line = Trim(rawLine, kProfileBlanks);
    if (line.empty() || line.front() == ';')
        return;

    if (line.front() == '[') {
        std::string_view name = line.substr(1);
        std::size_t close = name.find(']');
        if (close != std::string_view::npos)
            name = name.substr(0, close);
        name = Trim(name, kProfileBlanks);
        if (sectionByName_.count(name)) {
            current = -1; // a repeated section is never searched
            return;
        }
        current = static_cast<long>(sections_.size());
        sections_.emplace_back();
        sections_.back().name = name;
        sectionByName_.emplace(name, static_cast<std::uint32_t>(current));
        return;
    }

    if (current < 0)
        return;
    ProfileSection& section = sections_[static_cast<std::size_t>(current)];
    ProfileEntry entry;
    std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        entry.name = line;
    } else {
        entry.name = Trim(line.substr(0, equals), kProfileBlanks);
        entry.value = Trim(line.substr(equals + 1), kProfileBlanks);
        entry.hasValue = true;
    }
    // emplace keeps the first index for a repeated name: the first occurrence wins.
    if (keyIndex_)
        section.firstByName.emplace(entry.name, static_cast<std::uint32_t>(section.entries.size()));
    section.entries.push_back(entry);
}

const ProfileSection* ParsedProfile::FindSection(std::string_view name) const {
    auto it = sectionByName_.find(name);
    if (it == sectionByName_.end())
        return nullptr;
    return &sections_[it->second];
}

} // namespace hookwise::platform
