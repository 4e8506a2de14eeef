// GetPrivateProfileStringA against the Windows parsing rules, one table row per rule.
#include "platform/Profile.h"
#include "ProfileTestFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using namespace std::string_literals;

// One read: GetPrivateProfileStringA(section, key, defaultText, out, size) on a file holding file
// gives expected. Rows leave the default at "D" unless the row is about defaults, so a miss is
// visible.
struct ParseRow {
    const char* name;
    std::string file;
    const char* section = "s";
    const char* key = "k";
    const char* defaultText = "D";
    DWORD size = 64;
    std::string expected;
};

const ParseRow kLineRows[] = {
    {.name = "CrLf", .file = "[s]\r\nk=v\r\n", .expected = "v"},
    {.name = "LfOnly", .file = "[s]\nk=v\n", .expected = "v"},
    {.name = "LoneCr", .file = "[s]\rk=v\rj=w", .key = "j", .expected = "w"},
    {.name = "RunsOfBreaks", .file = "[s]\r\n\r\n\n\r\rk=v", .expected = "v"},
    {.name = "NoFinalBreak", .file = "[s]\nk=v", .expected = "v"},
    {.name = "NulEndsLineText", .file = "[s]\nk=ab\0cd\nj=w"s, .expected = "ab"},
    {.name = "NulDoesNotEndFile", .file = "[s]\nk=ab\0cd\nj=w"s, .key = "j", .expected = "w"},
};

const ParseRow kBlankRows[] = {
    {.name = "AroundKeyAndValue", .file = "[s]\n \t k \v= \t v w \t\n", .expected = "v w"},
    {.name = "AroundHeader", .file = "  [ s ]  \nk=v", .expected = "v"},
    {.name = "ArgumentsTrimmed",
     .file = "[s]\nk=v",
     .section = " \ts ",
     .key = " k\t",
     .expected = "v"},
    {.name = "InsideValueKept", .file = "[s]\nk=a \t b", .expected = "a \t b"},
    {.name = "InsideNameKept", .file = "[s]\na b=v", .key = "a b", .expected = "v"},
    {.name = "InsideNameNotSkipped", .file = "[s]\na b=v", .key = "ab", .expected = "D"},
};

const ParseRow kQuoteRows[] = {
    {.name = "Double", .file = "[s]\nk=\"v\"", .expected = "v"},
    {.name = "Single", .file = "[s]\nk='v'", .expected = "v"},
    {.name = "InnerBlanksKept", .file = "[s]\nk=\" v \"", .expected = " v "},
    {.name = "AfterTrimming", .file = "[s]\nk=   'v'  ", .expected = "v"},
    {.name = "Mismatched", .file = "[s]\nk=\"v'", .expected = "\"v'"},
    {.name = "OnlyOpening", .file = "[s]\nk=\"v", .expected = "\"v"},
    {.name = "LoneQuote", .file = "[s]\nk=\"", .expected = "\""},
    {.name = "EmptyQuoted", .file = "[s]\nk=''", .expected = ""},
    {.name = "OnlyOuterPair", .file = "[s]\nk=\"\"v\"\"", .expected = "\"v\""},
};

const ParseRow kStructureRows[] = {
    {.name = "CommentSkipped", .file = "[s]\n;k=x\nk=v", .expected = "v"},
    {.name = "IndentedComment", .file = "[s]\n \t;k=x\nk=v", .expected = "v"},
    {.name = "CommentKeyNotFound", .file = "[s]\n;k=x", .key = ";k", .expected = "D"},
    {.name = "SemicolonInValue", .file = "[s]\nk=a;b", .expected = "a;b"},
    {.name = "HashIsNoComment", .file = "[s]\n#k=v", .key = "#k", .expected = "v"},
    {.name = "KeyBeforeHeader", .file = "k=v\n[s]\n", .expected = "D"},
    {.name = "HeaderWithoutClose", .file = "[s\nk=v", .expected = "v"},
    {.name = "TextAfterHeaderIgnored", .file = "[s] x=y\nk=v", .expected = "v"},
    {.name = "NameEndsAtFirstBracket", .file = "[a]b]\nk=v", .section = "a", .expected = "v"},
    {.name = "EmptySectionName", .file = "[]\nk=v", .section = "", .expected = "v"},
    {.name = "SplitAtFirstEquals", .file = "[s]\nk=a=b", .expected = "a=b"},
    {.name = "EmptyKeyName", .file = "[s]\n=v", .key = "", .expected = "v"},
    {.name = "EmptyValueIsNoDefault", .file = "[s]\nk=", .expected = ""},
    {.name = "LineWithoutEquals", .file = "[s]\nk\n", .expected = "D"},
    {.name = "MissingSection", .file = "[s]\nk=v", .section = "t", .expected = "D"},
    {.name = "MissingKey", .file = "[s]\nk=v", .key = "j", .expected = "D"},
    {.name = "KeyOfOtherSection", .file = "[s]\nk=v\n[t]\nj=w", .section = "t", .expected = "D"},
};

const ParseRow kFirstWinsRows[] = {
    {.name = "RepeatedKey", .file = "[s]\nk=1\nk=2", .expected = "1"},
    {.name = "RepeatedKeyOtherCase", .file = "[s]\nK=1\nk=2", .expected = "1"},
    {.name = "RepeatedSectionFirstCopy", .file = "[s]\nk=1\n[s]\nk=2", .expected = "1"},
    {.name = "RepeatedSectionNotSearched",
     .file = "[s]\nk=1\n[S]\nj=2",
     .key = "j",
     .expected = "D"},
    {.name = "LaterSectionStillFound",
     .file = "[s]\n[s]\nk=1\n[t]\nj=2",
     .section = "t",
     .key = "j",
     .expected = "2"},
    {.name = "KeyWithoutValueShadows", .file = "[s]\nk\nk=v", .expected = "D"},
};

const ParseRow kCaseRows[] = {
    {.name = "SectionIgnoresCase", .file = "[SeC]\nk=v", .section = "sEc", .expected = "v"},
    {.name = "KeyIgnoresCase", .file = "[s]\nKeY=v", .key = "kEy", .expected = "v"},
    {.name = "ValueKeepsCase", .file = "[s]\nk=VaLuE", .expected = "VaLuE"},
    // 0xC4 and 0xE4 are A and a with diaeresis in Latin-1: not folded.
    {.name = "HighSectionNotFolded", .file = "[\xC4]\nk=v", .section = "\xE4", .expected = "D"},
    {.name = "HighKeyNotFolded", .file = "[s]\n\xC4=v", .key = "\xE4", .expected = "D"},
    // '@' and '`' sit next to the letters; folding them would be wrong.
    {.name = "NeighboursOfLettersNotFolded", .file = "[s]\n@=v", .key = "`", .expected = "D"},
};

const ParseRow kByteRows[] = {
    {.name = "HighBytesEverywhere",
     .file = "[\x80\xFF]\n\x90\xA5=\xA0\xFF\xBB\xBD",
     .section = "\x80\xFF",
     .key = "\x90\xA5",
     .expected = "\xA0\xFF\xBB\xBD"},
    {.name = "BracketsAndQuotesInKey",
     .file = "[s]\na[b]\"c'=v",
     .key = "a[b]\"c'",
     .expected = "v"},
    {.name = "BracketsInSectionName",
     .file = "[a[b\"c']\nk=v",
     .section = "a[b\"c'",
     .expected = "v"},
    {.name = "ControlBytes",
     .file = "[s]\n\x01\x1F=\x02\x7F",
     .key = "\x01\x1F",
     .expected = "\x02\x7F"},
    {.name = "GarbageFirstLine",
     .file = "\x8F\x12[\xFF\r\x01\n\x9A=;\"'\0\xEE\r\n[s]\r\nk=v\r\n"s,
     .expected = "v"},
    {.name = "GarbageFormsHeader", .file = "\x8F\r[\x83\x84\r\n[s]\r\nk=v", .expected = "v"},
    {.name = "GarbageLooksLikeByteOrderMark",
     .file = "\xFF\xFE\x01\x02\r\n[s]\r\nk=v\r\n",
     .expected = "v"},
    {.name = "GarbageWithKeyBeforeHeader",
     .file = "\x81=\x82\r\n[s]\r\nk=v",
     .key = "\x81",
     .expected = "D"},
};

const ParseRow kSizeRows[] = {
    {.name = "CutToSizeLessOne", .file = "[s]\nk=abcdef", .size = 4, .expected = "abc"},
    {.name = "ExactFit", .file = "[s]\nk=abc", .size = 4, .expected = "abc"},
    {.name = "SizeOne", .file = "[s]\nk=abc", .size = 1, .expected = ""},
    {.name = "QuotedThenCut", .file = "[s]\nk=\"abcdef\"", .size = 3, .expected = "ab"},
    {.name = "DefaultCut", .file = "[s]\n", .defaultText = "abcdef", .size = 3, .expected = "ab"},
};

const ParseRow kDefaultRows[] = {
    {.name = "NullDefaultIsEmpty", .file = "[s]\n", .defaultText = nullptr, .expected = ""},
    {.name = "TrailingSpacesRemoved",
     .file = "[s]\n",
     .defaultText = "one two  ",
     .expected = "one two"},
    {.name = "LeadingSpacesKept", .file = "[s]\n", .defaultText = "  x", .expected = "  x"},
    {.name = "TrailingTabKept", .file = "[s]\n", .defaultText = "x\t", .expected = "x\t"},
    {.name = "AllSpaces", .file = "[s]\n", .defaultText = "   ", .expected = ""},
};

std::string RowName(const testing::TestParamInfo<ParseRow>& info) {
    return info.param.name;
}

class ProfileParse : public testing::TestWithParam<ParseRow> {
protected:
    TempFolder folder_;
};

TEST_P(ProfileParse, ReadsValue) {
    const ParseRow& row = GetParam();
    std::string path = folder_.File("test.ini");
    ReplaceFile(path, row.file);

    char out[128];
    std::memset(out, 'X', sizeof out);
    DWORD n = GetPrivateProfileStringA(row.section, row.key, row.defaultText, out, row.size,
                                       path.c_str());
    EXPECT_EQ(n, row.expected.size());
    EXPECT_EQ(std::string(out, n), row.expected);
    EXPECT_EQ(out[n], '\0');
    // Nothing past the terminator is written.
    if (n + 1 < sizeof out) {
        EXPECT_EQ(out[n + 1], 'X');
    }
}

TEST_P(ProfileParse, SnapshotReadsTheSame) {
    const ParseRow& row = GetParam();
    std::string path = folder_.File("test.ini");
    ReplaceFile(path, row.file);

    ProfileSnapshot snapshot(path.c_str());
    char out[128];
    std::memset(out, 'X', sizeof out);
    DWORD n = snapshot.GetString(row.section, row.key, row.defaultText, out, row.size);
    EXPECT_EQ(std::string(out, n), row.expected);
    EXPECT_EQ(out[n], '\0');
}

INSTANTIATE_TEST_SUITE_P(Lines, ProfileParse, testing::ValuesIn(kLineRows), RowName);
INSTANTIATE_TEST_SUITE_P(Blanks, ProfileParse, testing::ValuesIn(kBlankRows), RowName);
INSTANTIATE_TEST_SUITE_P(Quotes, ProfileParse, testing::ValuesIn(kQuoteRows), RowName);
INSTANTIATE_TEST_SUITE_P(Structure, ProfileParse, testing::ValuesIn(kStructureRows), RowName);
INSTANTIATE_TEST_SUITE_P(FirstWins, ProfileParse, testing::ValuesIn(kFirstWinsRows), RowName);
INSTANTIATE_TEST_SUITE_P(Case, ProfileParse, testing::ValuesIn(kCaseRows), RowName);
INSTANTIATE_TEST_SUITE_P(Bytes, ProfileParse, testing::ValuesIn(kByteRows), RowName);
INSTANTIATE_TEST_SUITE_P(Size, ProfileParse, testing::ValuesIn(kSizeRows), RowName);
INSTANTIATE_TEST_SUITE_P(Default, ProfileParse, testing::ValuesIn(kDefaultRows), RowName);

} // namespace
