// Writes definition databases for tests and benchmarks: plain sections, keys and values scrambled
// with EncryptString into an INI file, optionally behind a garbage first line as the working copy
// has after deciphering.
#pragma once

#include "engine/LSPGlobals.h"

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

class DefinitionFile {
public:
    // The first line of a deciphered working copy: 14 bytes of the random header, then CR LF.
    DefinitionFile& GarbageHeader(std::string bytes) {
        header_ = std::move(bytes) + "\r\n";
        return *this;
    }

    // Adds one entry; entries of a section stay together, sections in the order first named.
    DefinitionFile& Add(const std::string& section, const std::string& key,
                        const std::string& value) {
        SectionFor(section).push_back({key, value});
        return *this;
    }

    // Adds prefix1 .. prefixN with the given values.
    DefinitionFile& List(const std::string& section, const std::string& prefix,
                         const std::vector<std::string>& values) {
        for (std::size_t i = 0; i < values.size(); ++i)
            Add(section, prefix + std::to_string(i + 1), values[i]);
        return *this;
    }

    // The scrambled INI text. Throws when a name or value would not read back unchanged, so a
    // test never rests on data the profile reader cannot hold.
    std::string Text() const {
        std::string text = header_;
        for (const auto& [section, entries] : sections_) {
            // Appended piece by piece: GCC 12 warns falsely about chains of string operator+.
            text.append("[").append(Scrambled(section)).append("]\r\n");
            for (const auto& [key, value] : entries)
                text.append(Scrambled(key)).append("=").append(Scrambled(value)).append("\r\n");
        }
        return text;
    }

    // Writes beside path and renames over it, as a program replaces a file.
    void WriteTo(const std::string& path) const {
        std::string temp = path + ".new";
        {
            std::ofstream out(temp, std::ios::binary | std::ios::trunc);
            std::string text = Text();
            out.write(text.data(), static_cast<std::streamsize>(text.size()));
            if (!out.good())
                throw std::runtime_error("cannot write " + temp);
        }
        if (std::rename(temp.c_str(), path.c_str()) != 0)
            throw std::runtime_error("cannot rename to " + path);
    }

private:
    using Entries = std::vector<std::pair<std::string, std::string>>;

    Entries& SectionFor(const std::string& section) {
        for (auto& [name, entries] : sections_) {
            if (name == section)
                return entries;
        }
        sections_.push_back({section, {}});
        return sections_.back().second;
    }

    static bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v'; }

    static std::string Scrambled(const std::string& plain) {
        std::string scrambled = CLSPGlobals::EncryptString(plain);
        bool readable = CLSPGlobals::DecryptString(scrambled) == plain &&
                        scrambled.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
        if (readable && !scrambled.empty()) {
            char first = scrambled.front();
            char last = scrambled.back();
            readable = first != '[' && first != ';' && !IsBlank(first) && !IsBlank(last) &&
                       !(scrambled.size() >= 2 && (first == '"' || first == '\'') && last == first);
        }
        if (!readable)
            throw std::invalid_argument("entry would not read back: " + plain);
        return scrambled;
    }

    std::string header_;
    std::vector<std::pair<std::string, Entries>> sections_;
};
