// Reading one named section of an ELF file with every offset checked against the file.
#include "core/settings/ElfSection.h"

#include <cstring>
#include <fstream>

namespace hookwise::core {

namespace {
constexpr std::uint64_t kMaxTableBytes = 16u * 1024 * 1024;
constexpr std::uint32_t kShtNobits = 8;
constexpr std::uint16_t kShnXindex = 0xFFFF;

std::uint64_t Little(const std::uint8_t* p, int bytes) {
    std::uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | p[i];
    return value;
}

class FileReader {
public:
    explicit FileReader(const std::string& path) : in_(path, std::ios::binary) {
        if (!in_)
            return;
        in_.seekg(0, std::ios::end);
        std::streamoff end = in_.tellg();
        size_ = end > 0 ? static_cast<std::uint64_t>(end) : 0;
    }
    bool IsOpen() const { return static_cast<bool>(in_); }
    std::uint64_t Size() const { return size_; }
    // Reads size bytes at offset; false when they do not all lie in the file.
    bool Read(std::uint64_t offset, std::uint64_t size, std::vector<std::uint8_t>& out) {
        if (offset > size_ || size > size_ - offset)
            return false;
        out.resize(size);
        if (size == 0)
            return true;
        in_.clear();
        in_.seekg(static_cast<std::streamoff>(offset));
        in_.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(size));
        return static_cast<std::uint64_t>(in_.gcount()) == size;
    }

private:
    std::ifstream in_;
    std::uint64_t size_ = 0;
};

struct SectionHeader {
    std::uint32_t name = 0;
    std::uint32_t type = 0;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    std::uint32_t link = 0;
};

SectionHeader ParseSection(const std::uint8_t* p, bool is64) {
    SectionHeader s;
    s.name = static_cast<std::uint32_t>(Little(p, 4));
    s.type = static_cast<std::uint32_t>(Little(p + 4, 4));
    if (is64) {
        s.offset = Little(p + 24, 8);
        s.size = Little(p + 32, 8);
        s.link = static_cast<std::uint32_t>(Little(p + 40, 4));
    } else {
        s.offset = Little(p + 16, 4);
        s.size = Little(p + 20, 4);
        s.link = static_cast<std::uint32_t>(Little(p + 24, 4));
    }
    return s;
}
} // namespace

bool ReadElfSection(const std::string& path, std::string_view name, std::vector<std::uint8_t>& out,
                    std::size_t maxBytes) {
    out.clear();
    FileReader file(path);
    if (!file.IsOpen())
        return false;

    std::vector<std::uint8_t> header;
    if (!file.Read(0, 52, header)) // the ELF32 header; ELF64 needs 64
        return false;
    if (std::memcmp(header.data(),
                    "\x7F"
                    "ELF",
                    4) != 0 ||
        header[5] != 1 /* little-endian */)
        return false;
    const bool is64 = header[4] == 2;
    if (!is64 && header[4] != 1)
        return false;
    if (is64 && !file.Read(0, 64, header))
        return false;

    const std::uint64_t tableOffset = is64 ? Little(&header[0x28], 8) : Little(&header[0x20], 4);
    const std::uint64_t entrySize = Little(&header[is64 ? 0x3A : 0x2E], 2);
    std::uint64_t count = Little(&header[is64 ? 0x3C : 0x30], 2);
    std::uint64_t namesIndex = Little(&header[is64 ? 0x3E : 0x32], 2);
    const std::uint64_t minEntry = is64 ? 64 : 40;
    if (tableOffset == 0 || entrySize < minEntry)
        return false;

    // Section 0 holds the real count and name-table index when they do not fit the header.
    std::vector<std::uint8_t> entry;
    if (count == 0 || namesIndex == kShnXindex) {
        if (!file.Read(tableOffset, entrySize, entry))
            return false;
        SectionHeader first = ParseSection(entry.data(), is64);
        if (count == 0)
            count = first.size;
        if (namesIndex == kShnXindex)
            namesIndex = first.link;
    }
    if (count == 0 || namesIndex >= count || count > kMaxTableBytes / entrySize)
        return false;

    std::vector<std::uint8_t> table;
    if (!file.Read(tableOffset, count * entrySize, table))
        return false;
    auto sectionAt = [&](std::uint64_t i) {
        return ParseSection(table.data() + i * entrySize, is64);
    };

    SectionHeader namesSection = sectionAt(namesIndex);
    if (namesSection.type == kShtNobits || namesSection.size > kMaxTableBytes)
        return false;
    std::vector<std::uint8_t> names;
    if (!file.Read(namesSection.offset, namesSection.size, names))
        return false;

    for (std::uint64_t i = 0; i < count; ++i) {
        SectionHeader section = sectionAt(i);
        if (section.name >= names.size())
            continue;
        const char* start = reinterpret_cast<const char*>(names.data()) + section.name;
        std::size_t room = names.size() - section.name;
        std::size_t length = strnlen(start, room);
        if (length == room || std::string_view(start, length) != name)
            continue;
        if (section.type == kShtNobits || section.size > maxBytes)
            return false;
        if (!file.Read(section.offset, section.size, out)) {
            out.clear();
            return false;
        }
        return true;
    }
    return false;
}

} // namespace hookwise::core
