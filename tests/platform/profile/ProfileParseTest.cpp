// GetPrivateProfileStringA against the Windows parsing rules, one table row per rule.
#include "platform/Profile.h"

#include "ProfileTestFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using namespace std::string_literals;

struct ParseRow {
    const char* name;
    std::string file;
    const char* section;
    const char* key;
    const char* defaultText;
    DWORD size;
    std::string expected;
};

// Rows use "D" as the default unless the row is about defaults, so a miss is visible.
const ParseRow kLineRows[] = {
    {"CrLf", "[s]\r\nk=v\r\n", "s", "k", "D", 64, "v"},
    {"LfOnly", "[s]\nk=v\n", "s", "k", "D", 64, "v"},
    {"LoneCr", "[s]\rk=v\rj=w", "s", "j", "D", 64, "w"},
    {"RunsOfBreaks", "[s]\r\n\r\n\n\r\rk=v", "s", "k", "D", 64, "v"},
    {"NoFinalBreak", "[s]\nk=v", "s", "k", "D", 64, "v"},
    {"NulEndsLineText", "[s]\nk=ab\0cd\nj=w"s, "s", "k", "D", 64, "ab"},
    {"NulDoesNotEndFile", "[s]\nk=ab\0cd\nj=w"s, "s", "j", "D", 64, "w"},
};

const ParseRow kBlankRows[] = {
    {"AroundKeyAndValue", "[s]\n \t k \v= \t v w \t\n", "s", "k", "D", 64, "v w"},
    {"AroundHeader", "  [ s ]  \nk=v", "s", "k", "D", 64, "v"},
    {"ArgumentsTrimmed", "[s]\nk=v", " \ts ", " k\t", "D", 64, "v"},
    {"InsideValueKept", "[s]\nk=a \t b", "s", "k", "D", 64, "a \t b"},
    {"InsideNameKept", "[s]\na b=v", "s", "a b", "D", 64, "v"},
    {"InsideNameNotSkipped", "[s]\na b=v", "s", "ab", "D", 64, "D"},
};

const ParseRow kQuoteRows[] = {
    {"Double", "[s]\nk=\"v\"", "s", "k", "D", 64, "v"},
    {"Single", "[s]\nk='v'", "s", "k", "D", 64, "v"},
    {"InnerBlanksKept", "[s]\nk=\" v \"", "s", "k", "D", 64, " v "},
    {"AfterTrimming", "[s]\nk=   'v'  ", "s", "k", "D", 64, "v"},
    {"Mismatched", "[s]\nk=\"v'", "s", "k", "D", 64, "\"v'"},
    {"OnlyOpening", "[s]\nk=\"v", "s", "k", "D", 64, "\"v"},
    {"LoneQuote", "[s]\nk=\"", "s", "k", "D", 64, "\""},
    {"EmptyQuoted", "[s]\nk=''", "s", "k", "D", 64, ""},
    {"OnlyOuterPair", "[s]\nk=\"\"v\"\"", "s", "k", "D", 64, "\"v\""},
};

const ParseRow kStructureRows[] = {
    {"CommentSkipped", "[s]\n;k=x\nk=v", "s", "k", "D", 64, "v"},
    {"IndentedComment", "[s]\n \t;k=x\nk=v", "s", "k", "D", 64, "v"},
    {"CommentKeyNotFound", "[s]\n;k=x", "s", ";k", "D", 64, "D"},
    {"SemicolonInValue", "[s]\nk=a;b", "s", "k", "D", 64, "a;b"},
    {"HashIsNoComment", "[s]\n#k=v", "s", "#k", "D", 64, "v"},
    {"KeyBeforeHeader", "k=v\n[s]\n", "s", "k", "D", 64, "D"},
    {"HeaderWithoutClose", "[s\nk=v", "s", "k", "D", 64, "v"},
    {"TextAfterHeaderIgnored", "[s] x=y\nk=v", "s", "k", "D", 64, "v"},
    {"NameEndsAtFirstBracket", "[a]b]\nk=v", "a", "k", "D", 64, "v"},
    {"EmptySectionName", "[]\nk=v", "", "k", "D", 64, "v"},
    {"SplitAtFirstEquals", "[s]\nk=a=b", "s", "k", "D", 64, "a=b"},
    {"EmptyKeyName", "[s]\n=v", "s", "", "D", 64, "v"},
    {"EmptyValueIsNoDefault", "[s]\nk=", "s", "k", "D", 64, ""},
    {"LineWithoutEquals", "[s]\nk\n", "s", "k", "D", 64, "D"},
    {"MissingSection", "[s]\nk=v", "t", "k", "D", 64, "D"},
    {"MissingKey", "[s]\nk=v", "s", "j", "D", 64, "D"},
    {"KeyOfOtherSection", "[s]\nk=v\n[t]\nj=w", "t", "k", "D", 64, "D"},
};

const ParseRow kFirstWinsRows[] = {
    {"RepeatedKey", "[s]\nk=1\nk=2", "s", "k", "D", 64, "1"},
    {"RepeatedKeyOtherCase", "[s]\nK=1\nk=2", "s", "k", "D", 64, "1"},
    {"RepeatedSectionFirstCopy", "[s]\nk=1\n[s]\nk=2", "s", "k", "D", 64, "1"},
    {"RepeatedSectionNotSearched", "[s]\nk=1\n[S]\nj=2", "s", "j", "D", 64, "D"},
    {"LaterSectionStillFound", "[s]\n[s]\nk=1\n[t]\nj=2", "t", "j", "D", 64, "2"},
    {"KeyWithoutValueShadows", "[s]\nk\nk=v", "s", "k", "D", 64, "D"},
};

const ParseRow kCaseRows[] = {
    {"SectionIgnoresCase", "[SeC]\nk=v", "sEc", "k", "D", 64, "v"},
    {"KeyIgnoresCase", "[s]\nKeY=v", "s", "kEy", "D", 64, "v"},
    {"ValueKeepsCase", "[s]\nk=VaLuE", "s", "k", "D", 64, "VaLuE"},
    // 0xC4 and 0xE4 are A and a with diaeresis in Latin-1: not folded.
    {"HighSectionNotFolded", "[\xC4]\nk=v", "\xE4", "k", "D", 64, "D"},
    {"HighKeyNotFolded", "[s]\n\xC4=v", "s", "\xE4", "D", 64, "D"},
    // '@' and '`' sit next to the letters; folding them would be wrong.
    {"NeighboursOfLettersNotFolded", "[s]\n@=v", "s", "`", "D", 64, "D"},
};

const ParseRow kByteRows[] = {
    {"HighBytesEverywhere", "[\x80\xFF]\n\x90\xA5=\xA0\xFF\xBB\xBD", "\x80\xFF", "\x90\xA5", "D",
     64, "\xA0\xFF\xBB\xBD"},
    {"BracketsAndQuotesInKey", "[s]\na[b]\"c'=v", "s", "a[b]\"c'", "D", 64, "v"},
    {"BracketsInSectionName", "[a[b\"c']\nk=v", "a[b\"c'", "k", "D", 64, "v"},
    {"ControlBytes", "[s]\n\x01\x1F=\x02\x7F", "s", "\x01\x1F", "D", 64, "\x02\x7F"},
    {"GarbageFirstLine", "\x8F\x12[\xFF\r\x01\n\x9A=;\"'\0\xEE\r\n[s]\r\nk=v\r\n"s, "s", "k", "D",
     64, "v"},
    {"GarbageFormsHeader", "\x8F\r[\x83\x84\r\n[s]\r\nk=v", "s", "k", "D", 64, "v"},
    {"GarbageLooksLikeByteOrderMark", "\xFF\xFE\x01\x02\r\n[s]\r\nk=v\r\n", "s", "k", "D", 64, "v"},
    {"GarbageWithKeyBeforeHeader", "\x81=\x82\r\n[s]\r\nk=v", "s", "\x81", "D", 64, "D"},
};

const ParseRow kSizeRows[] = {
    {"CutToSizeLessOne", "[s]\nk=abcdef", "s", "k", "D", 4, "abc"},
    {"ExactFit", "[s]\nk=abc", "s", "k", "D", 4, "abc"},
    {"SizeOne", "[s]\nk=abc", "s", "k", "D", 1, ""},
    {"QuotedThenCut", "[s]\nk=\"abcdef\"", "s", "k", "D", 3, "ab"},
    {"DefaultCut", "[s]\n", "s", "k", "abcdef", 3, "ab"},
};

const ParseRow kDefaultRows[] = {
    {"NullDefaultIsEmpty", "[s]\n", "s", "k", nullptr, 64, ""},
    {"TrailingSpacesRemoved", "[s]\n", "s", "k", "one two  ", 64, "one two"},
    {"LeadingSpacesKept", "[s]\n", "s", "k", "  x", 64, "  x"},
    {"TrailingTabKept", "[s]\n", "s", "k", "x\t", 64, "x\t"},
    {"AllSpaces", "[s]\n", "s", "k", "   ", 64, ""},
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
