// Reads one named section of an ELF file (32- or 64-bit, little-endian), with every offset and size
// checked against the file, so a damaged or hostile file fails cleanly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hookwise::core {

// Copies the contents of section `name` of the ELF file path into out. False, with out empty, when
// the file cannot be read, is not a little-endian ELF file, is damaged (a table or the section lies
// outside the file), has no such section, or the section is larger than maxBytes or has no bytes
// in the file (SHT_NOBITS).
bool ReadElfSection(const std::string& path, std::string_view name, std::vector<std::uint8_t>& out,
                    std::size_t maxBytes);

} // namespace hookwise::core
