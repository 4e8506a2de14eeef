// Version blocks: the block builder, the ELF section reader and VersionInfo's queries, on the real
// libbaitlib.so, on this program (which carries the HookWs block) and on damaged files.
#include "core/settings/VersionInfo.h"

#include "core/settings/ElfSection.h"
#include "engine/VersionBlock.h"
#include "AppDataSandbox.h"

#include <cstring>
#include <ostream>

using namespace hookwise::core;

namespace {

void Put(std::vector<std::uint8_t>& b, std::size_t at, std::uint64_t value, int bytes) {
    if (b.size() < at + bytes)
        b.resize(at + bytes);
    for (int i = 0; i < bytes; ++i)
        b[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

struct ElfShape {
    std::uint64_t contentOffsetShift = 0; // moves the section's offset past its bytes
    std::uint16_t shstrndx = 1;
    std::uint16_t shnum = 3;
    std::uint32_t nameOffset = 11; // of the section's name in the name table
    std::uint32_t type = 1;        // SHT_PROGBITS
};

// A minimal little-endian ELF64 file: a name table and one section `name` holding content.
std::vector<std::uint8_t> MakeElf(const std::string& name, const std::vector<std::uint8_t>& content,
                                  ElfShape shape = {}) {
    std::string names = std::string("\0.shstrtab\0", 11) + name + '\0';
    std::vector<std::uint8_t> b(64, 0);
    std::memcpy(b.data(),
                "\x7F"
                "ELF",
                4);
    b[4] = 2; // 64-bit
    b[5] = 1; // little-endian
    b[6] = 1;
    std::size_t namesAt = b.size();
    b.resize(namesAt + names.size());
    std::memcpy(b.data() + namesAt, names.data(), names.size());
    std::size_t contentAt = (b.size() + 3) & ~std::size_t(3);
    b.resize(contentAt);
    b.insert(b.end(), content.begin(), content.end());
    std::size_t tableAt = (b.size() + 7) & ~std::size_t(7);
    b.resize(tableAt + 3 * 64, 0);
    Put(b, 0x28, tableAt, 8);
    Put(b, 0x3A, 64, 2);
    Put(b, 0x3C, shape.shnum, 2);
    Put(b, 0x3E, shape.shstrndx, 2);
    std::size_t s1 = tableAt + 64; // the name table
    Put(b, s1, 1, 4);
    Put(b, s1 + 4, 3, 4); // SHT_STRTAB
    Put(b, s1 + 24, namesAt, 8);
    Put(b, s1 + 32, names.size(), 8);
    std::size_t s2 = tableAt + 128;
    Put(b, s2, shape.nameOffset, 4);
    Put(b, s2 + 4, shape.type, 4);
    Put(b, s2 + 24, contentAt + shape.contentOffsetShift, 8);
    Put(b, s2 + 32, content.size(), 8);
    return b;
}

std::vector<std::uint8_t> BlockOf(const VersionBlockContent& content) {
    VersionBlockBuffer built = BuildVersionBlock(content);
    return std::vector<std::uint8_t>(built.bytes.begin(), built.bytes.begin() + built.size);
}

class VersionFiles : public AppDataSandbox {
protected:
    std::string WriteBytes(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        std::string path = folder_ + "/" + name;
        WriteFile(path, std::string(bytes.begin(), bytes.end()));
        return path;
    }
};

TEST(VersionInfo, TheEngineLibraryCarriesVersionThree) {
    VersionInfo info;
    ASSERT_TRUE(info.Load(BAITLIB_PATH));
    EXPECT_EQ(info.Query("FileVersion"), "3, 0, 0, 0");
    EXPECT_EQ(info.Query("OriginalFilename"), "libbaitlib.so");
    EXPECT_EQ(info.Fixed().dwSignature, kFixedFileInfoSignature);
    EXPECT_EQ(info.Fixed().dwFileVersionMS, 3u << 16);
    EXPECT_EQ(info.Fixed().dwFileType, 2u);
    EXPECT_EQ(info.LanguageId(), 0x0409);
    EXPECT_EQ(info.CodePage(), 1252);
}

TEST(VersionInfo, TheProgramBlockIsFoundInTheRunningProgram) {
    // This test program is built with the HookWs block, as HookWs is.
    EXPECT_EQ(ProgramVersionText(), "3, 0, 0, 0");
    VersionInfo info;
    ASSERT_TRUE(info.Load("/proc/self/exe"));
    EXPECT_EQ(info.Query("InternalName"), "HookWs");
    EXPECT_EQ(info.Query("ProductName"), "Hookwise");
    for (const char* name : VersionInfo::kEntryNames)
        EXPECT_FALSE(info.Query(name).empty()) << name;
    EXPECT_EQ(info.Query("fileversion"), "3, 0, 0, 0"); // path parts ignore case
    EXPECT_EQ(info.Query("Comments"), "");
}

TEST(VersionInfo, QueriesFollowTheTranslationPair) {
    VersionBlockContent content = HookwiseVersionContent(1, "d", "i", "o");
    content.hasTranslation = false;
    content.tableKey = "000004e4";
    VersionInfo info;
    ASSERT_TRUE(info.LoadBlock(BlockOf(content)));
    EXPECT_EQ(info.LanguageId(), 0);
    EXPECT_EQ(info.CodePage(), 1252);
    EXPECT_EQ(info.Query("FileVersion"), "3, 0, 0, 0");

    content.tableKey = "040904e4"; // strings where the missing translation does not point
    ASSERT_TRUE(info.LoadBlock(BlockOf(content)));
    EXPECT_EQ(info.Query("FileVersion"), "");

    content.hasTranslation = true;
    content.language = 0x0407;
    content.codePage = 0x04b0;
    content.tableKey = "040704b0";
    ASSERT_TRUE(info.LoadBlock(BlockOf(content)));
    EXPECT_EQ(info.Query("FileVersion"), "3, 0, 0, 0");
}

TEST(VersionInfo, DamagedBlocksFailCleanly) {
    std::vector<std::uint8_t> good = BlockOf(HookwiseVersionContent(1, "d", "i", "o"));
    VersionInfo info;
    std::vector<std::uint8_t> bad = good;
    bad[32 + 8] ^= 0xFF; // the fixed block's signature (after the 6-byte header, key, padding)
    EXPECT_FALSE(info.LoadBlock(bad));
    EXPECT_EQ(info.Query("FileVersion"), "");
    bad = good;
    Put(bad, 0, 0xFFFF, 2); // a length beyond the data
    EXPECT_FALSE(info.LoadBlock(bad));
    for (std::size_t cut : {0, 5, 20, 60}) {
        EXPECT_FALSE(info.LoadBlock(std::vector<std::uint8_t>(good.begin(), good.begin() + cut)))
            << cut;
    }
    // A child whose length runs past its parent ends the walk rather than the reader.
    bad = good;
    Put(bad, 92, 0xFFF0, 2); // StringFileInfo's length
    EXPECT_TRUE(info.LoadBlock(bad));
    EXPECT_EQ(info.Query("FileVersion"), "");
}

TEST_F(VersionFiles, ReadsTheSectionOfAnElfFile) {
    std::vector<std::uint8_t> block = BlockOf(HookwiseVersionContent(2, "d", "i", "o"));
    VersionInfo info;
    EXPECT_TRUE(info.Load(WriteBytes("good.so", MakeElf(kVersionSectionName, block))));
    EXPECT_EQ(info.Query("FileVersion"), "3, 0, 0, 0");
}

struct BadFileRow {
    const char* name;
    ElfShape shape;
    bool rightName;
};

void PrintTo(const BadFileRow& row, std::ostream* os) {
    *os << row.name;
}

const BadFileRow kBadFiles[] = {
    {"OtherSection", {}, false},
    {"ContentPastTheEnd", {1u << 20, 1, 3, 11, 1}, true},
    {"NameTableOutOfRange", {0, 7, 3, 11, 1}, true},
    {"NameOffsetOutOfRange", {0, 1, 3, 5000, 1}, true},
    {"NoBits", {0, 1, 3, 11, 8}, true},
    {"HugeSectionCount", {0, 1, 0xFFF0, 11, 1}, true},
};

class BadElfFiles : public VersionFiles, public ::testing::WithParamInterface<BadFileRow> {};

TEST_P(BadElfFiles, FailWithoutLoading) {
    const BadFileRow& row = GetParam();
    std::vector<std::uint8_t> block = BlockOf(HookwiseVersionContent(2, "d", "i", "o"));
    std::string path = WriteBytes(
        "bad.so", MakeElf(row.rightName ? kVersionSectionName : ".other", block, row.shape));
    VersionInfo info;
    EXPECT_FALSE(info.Load(path));
    EXPECT_EQ(info.Query("FileVersion"), "");
}

INSTANTIATE_TEST_SUITE_P(Shapes, BadElfFiles, ::testing::ValuesIn(kBadFiles),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(VersionFiles, FilesThatAreNotElfFail) {
    VersionInfo info;
    EXPECT_FALSE(info.Load(folder_ + "/missing.so"));
    EXPECT_FALSE(info.Load(WriteBytes("text.txt", TextBytes("just some text, not a program"))));
    EXPECT_FALSE(info.Load(WriteBytes("empty", {})));
    std::vector<std::uint8_t> elf = MakeElf(kVersionSectionName, {1, 2, 3});
    EXPECT_FALSE(
        info.Load(WriteBytes("cut.so", std::vector<std::uint8_t>(elf.begin(), elf.begin() + 40))));
    EXPECT_FALSE(info.Load(WriteBytes("noblock.so", elf))); // the section holds no version block
    EXPECT_FALSE(info.Load(folder_));                       // a folder
    EXPECT_EQ(EngineVersionText(folder_ + "/nowhere"), "");
}

} // namespace
