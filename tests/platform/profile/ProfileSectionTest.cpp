// GetPrivateProfileSectionA and the list forms of GetPrivateProfileStringA: contents, order and
// the truncation rule of NUL-separated lists.
#include "platform/Profile.h"
#include "ProfileTestFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using namespace std::string_literals;

struct SectionRow {
    const char* name;
    std::string file;
    const char* section = "s";
    DWORD size = 64;
    std::string expected; // the bytes written, final NULs included
    DWORD result;
};

const char kTwoKeys[] = "[s]\nabc=1\ndef=2\n"; // lists as "abc=1\0def=2\0\0", 12 characters

const SectionRow kContentRows[] = {
    {.name = "TwoKeys", .file = kTwoKeys, .expected = "abc=1\0def=2\0\0"s, .result = 12},
    {.name = "TrimmedQuotesKept",
     .file = "[s]\n k = \"v\" \n",
     .expected = "k=\"v\"\0\0"s,
     .result = 6},
    {.name = "LineWithoutEqualsAsItStands",
     .file = "[s]\n a b \n",
     .expected = "a b\0\0"s,
     .result = 4},
    {.name = "CommentsAndBlankLinesSkipped",
     .file = "[s]\n;c=1\n\n  \nk=v\n",
     .expected = "k=v\0\0"s,
     .result = 4},
    {.name = "RepeatedKeysAllListed",
     .file = "[s]\nk=1\nk=2\n",
     .expected = "k=1\0k=2\0\0"s,
     .result = 8},
    {.name = "SecondCopyOfSectionIgnored",
     .file = "[s]\nk=1\n[S]\nj=2\n",
     .section = "S",
     .expected = "k=1\0\0"s,
     .result = 4},
    {.name = "EmptyValue", .file = "[s]\nk=\n", .expected = "k=\0\0"s, .result = 3},
    {.name = "HighBytes",
     .file = "[\x90]\n\xA1=\xFF\n",
     .section = "\x90",
     .expected = "\xA1=\xFF\0\0"s,
     .result = 4},
    {.name = "MissingSection", .file = kTwoKeys, .section = "t", .expected = "\0\0"s, .result = 0},
    {.name = "EmptySection", .file = "[s]\n[t]\nk=v", .expected = "\0\0"s, .result = 0},
};

const SectionRow kTruncationRows[] = {
    {.name = "ExactFit",
     .file = kTwoKeys,
     .size = 13,
     .expected = "abc=1\0def=2\0\0"s,
     .result = 12},
    {.name = "OneShort",
     .file = kTwoKeys,
     .size = 12,
     .expected = "abc=1\0def=\0\0"s,
     .result = 10},
    {.name = "CutAfterFirstString",
     .file = kTwoKeys,
     .size = 8,
     .expected = "abc=1\0\0\0"s,
     .result = 6},
    {.name = "CutInsideFirstString",
     .file = kTwoKeys,
     .size = 4,
     .expected = "ab\0\0"s,
     .result = 2},
    {.name = "SizeTwo", .file = kTwoKeys, .size = 2, .expected = "\0\0"s, .result = 0},
    {.name = "SizeOne", .file = kTwoKeys, .size = 1, .expected = "\0"s, .result = 0},
};

std::string RowName(const testing::TestParamInfo<SectionRow>& info) {
    return info.param.name;
}

class ProfileSection : public testing::TestWithParam<SectionRow> {
protected:
    TempFolder folder_;
};

TEST_P(ProfileSection, ListsLines) {
    const SectionRow& row = GetParam();
    std::string path = folder_.File("test.ini");
    ReplaceFile(path, row.file);

    char out[128];
    std::memset(out, 'X', sizeof out);
    DWORD n = GetPrivateProfileSectionA(row.section, out, row.size, path.c_str());
    EXPECT_EQ(n, row.result);
    EXPECT_EQ(std::string(out, row.expected.size()), row.expected);
    EXPECT_EQ(out[row.expected.size()], 'X') << "wrote past the list";
}

INSTANTIATE_TEST_SUITE_P(Content, ProfileSection, testing::ValuesIn(kContentRows), RowName);
INSTANTIATE_TEST_SUITE_P(Truncation, ProfileSection, testing::ValuesIn(kTruncationRows), RowName);

class ProfileLists : public testing::Test {
protected:
    void SetUp() override {
        path_ = folder_.File("lists.ini");
        ReplaceFile(path_, "[one]\na=1\nb=2\n[two]\n[one]\nc=3\n");
    }
    TempFolder folder_;
    std::string path_;
};

TEST_F(ProfileLists, NullSectionListsSectionNames) {
    char out[64];
    DWORD n = GetPrivateProfileStringA(nullptr, "a", "D", out, sizeof out, path_.c_str());
    EXPECT_EQ(std::string(out, n + 1), "one\0two\0\0"s);
}

TEST_F(ProfileLists, NullKeyListsKeyNames) {
    char out[64];
    DWORD n = GetPrivateProfileStringA("ONE", nullptr, "D", out, sizeof out, path_.c_str());
    EXPECT_EQ(std::string(out, n + 1), "a\0b\0\0"s);
}

TEST_F(ProfileLists, KeyListIsCutLikeSectionList) {
    char out[4];
    DWORD n = GetPrivateProfileStringA("one", nullptr, "D", out, sizeof out, path_.c_str());
    EXPECT_EQ(n, 2u);
    EXPECT_EQ(std::string(out, 4), "a\0\0\0"s);
}

TEST_F(ProfileLists, SectionSizeZeroWritesNothing) {
    char out[4] = {'X', 'X', 'X', 'X'};
    EXPECT_EQ(GetPrivateProfileSectionA("one", out, 0, path_.c_str()), 0u);
    EXPECT_EQ(out[0], 'X');
}

TEST_F(ProfileLists, MissingFileGivesEmptyList) {
    char out[8];
    std::memset(out, 'X', sizeof out);
    std::string missing = folder_.File("missing.ini");
    EXPECT_EQ(GetPrivateProfileSectionA("one", out, sizeof out, missing.c_str()), 0u);
    EXPECT_EQ(std::string(out, 2), "\0\0"s);
}

} // namespace
