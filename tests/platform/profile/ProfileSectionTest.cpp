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
    const char* section;
    DWORD size;
    std::string expected; // the bytes written, final NULs included
    DWORD result;
};

const char kTwoKeys[] = "[s]\nabc=1\ndef=2\n"; // lists as "abc=1\0def=2\0\0", 12 characters

const SectionRow kContentRows[] = {
    {"TwoKeys", kTwoKeys, "s", 64, "abc=1\0def=2\0\0"s, 12},
    {"TrimmedQuotesKept", "[s]\n k = \"v\" \n", "s", 64, "k=\"v\"\0\0"s, 6},
    {"LineWithoutEqualsAsItStands", "[s]\n a b \n", "s", 64, "a b\0\0"s, 4},
    {"CommentsAndBlankLinesSkipped", "[s]\n;c=1\n\n  \nk=v\n", "s", 64, "k=v\0\0"s, 4},
    {"RepeatedKeysAllListed", "[s]\nk=1\nk=2\n", "s", 64, "k=1\0k=2\0\0"s, 8},
    {"SecondCopyOfSectionIgnored", "[s]\nk=1\n[S]\nj=2\n", "S", 64, "k=1\0\0"s, 4},
    {"EmptyValue", "[s]\nk=\n", "s", 64, "k=\0\0"s, 3},
    {"HighBytes", "[\x90]\n\xA1=\xFF\n", "\x90", 64, "\xA1=\xFF\0\0"s, 4},
    {"MissingSection", kTwoKeys, "t", 64, "\0\0"s, 0},
    {"EmptySection", "[s]\n[t]\nk=v", "s", 64, "\0\0"s, 0},
};

const SectionRow kTruncationRows[] = {
    {"ExactFit", kTwoKeys, "s", 13, "abc=1\0def=2\0\0"s, 12},
    {"OneShort", kTwoKeys, "s", 12, "abc=1\0def=\0\0"s, 10},
    {"CutAfterFirstString", kTwoKeys, "s", 8, "abc=1\0\0\0"s, 6},
    {"CutInsideFirstString", kTwoKeys, "s", 4, "ab\0\0"s, 2},
    {"SizeTwo", kTwoKeys, "s", 2, "\0\0"s, 0},
    {"SizeOne", kTwoKeys, "s", 1, "\0"s, 0},
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
