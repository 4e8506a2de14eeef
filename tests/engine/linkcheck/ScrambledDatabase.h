// Writes a small definition database in the engine's scrambled INI form, for tests and fuzzers.
#pragma once

#include "engine/LSPGlobals.h"

#include <fstream>
#include <string>
#include <utility>
#include <vector>

using DatabaseEntries = std::vector<std::pair<std::string, std::string>>;

// Writes section [section] with entries key=value (all scrambled) to path; returns success.
inline bool WriteScrambledSection(const std::string& path, const std::string& section,
                                  const DatabaseEntries& entries) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << '[' << CLSPGlobals::EncryptString(section) << "]\r\n";
    for (const auto& [key, value] : entries)
        out << CLSPGlobals::EncryptString(key) << '=' << CLSPGlobals::EncryptString(value)
            << "\r\n";
    return static_cast<bool>(out);
}
