// IsBadVisibleMailLinks and IsBadMailLinks over a scrambled "Link" section.
#include "engine/LSPGlobals.h"
#include "platform/Profile.h"
#include "ScrambledDatabase.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

namespace {

class LinkDatabase {
public:
    LinkDatabase() {
        char folder[] = "/tmp/hookwise-linkcheck-XXXXXX";
        folder_ = mkdtemp(folder);
        path_ = folder_ + "/hkwdb2.pbd";
    }
    ~LinkDatabase() {
        unlink(path_.c_str());
        rmdir(folder_.c_str());
    }
    // Writes the entries and points the engine at them.
    void Use(const DatabaseEntries& entries) {
        ASSERT_TRUE(WriteScrambledSection(path_, "Link", entries));
        ProfileCacheClear();
        ASSERT_LT(path_.size(), sizeof CLSPGlobals::szDBPath);
        std::strcpy(CLSPGlobals::szDBPath, path_.c_str());
    }
    void UseMissingFile() {
        ProfileCacheClear();
        std::strcpy(CLSPGlobals::szDBPath, (folder_ + "/absent.pbd").c_str());
    }

private:
    std::string folder_;
    std::string path_;
};

struct VisibleRow {
    const char* name;
    DatabaseEntries entries;
    std::string html;
    bool hit = false;
    std::string visible = ""; // outputs on a hit
    std::string pattern = "";
};

class VisibleLinks : public testing::TestWithParam<VisibleRow> {
protected:
    LinkDatabase db_;
};

TEST_P(VisibleLinks, MatchesVisibleText) {
    const VisibleRow& row = GetParam();
    db_.Use(row.entries);
    char visible[300];
    char pattern[300];
    std::memset(visible, '#', sizeof visible);
    std::memset(pattern, '#', sizeof pattern);
    EXPECT_EQ(CLSPGlobals::IsBadVisibleMailLinks(row.html.c_str(), visible, pattern), row.hit);
    for (std::size_t i = 261; i < sizeof visible; ++i) {
        ASSERT_EQ(visible[i], '#');
        ASSERT_EQ(pattern[i], '#');
    }
    if (!row.hit) {
        EXPECT_EQ(visible[0], '#') << "a miss must not write the outputs";
        EXPECT_EQ(pattern[0], '#');
        return;
    }
    EXPECT_EQ(std::string(visible), row.visible);
    EXPECT_EQ(std::string(pattern), row.pattern);
}

std::string RowName(const testing::TestParamInfo<VisibleRow>& info) {
    return info.param.name;
}

const std::string kLongText(300, 'z');

const VisibleRow kVisibleRows[] = {
    {.name = "HitKeepsVlinkAsStored",
     .entries = {{"CLINK1", "evil.example"}, {"VLINK1", "Trusted Bank"}},
     .html = "<a href=\"http://evil.example/x\">trusted bank</a>",
     .hit = true,
     .visible = "Trusted Bank",
     .pattern = "evil.example"},
    {.name = "PatternIsLowerCased",
     .entries = {{"CLINK1", "EVIL.Example"}, {"VLINK1", "trusted bank"}},
     .html = "<a href=evil.example>TRUSTED BANK</a>",
     .hit = true,
     .visible = "trusted bank",
     .pattern = "evil.example"},
    {.name = "VlinkAbsent",
     .entries = {{"CLINK1", "evil.example"}},
     .html = "<a href=evil.example>trusted bank</a>"},
    {.name = "VlinkEmpty",
     .entries = {{"CLINK1", "evil.example"}, {"VLINK1", ""}},
     .html = "<a href=evil.example>trusted bank</a>"},
    {.name = "BlankAfterOpeningKept",
     .entries = {{"CLINK1", "evil.example"}, {"VLINK1", "trusted bank"}},
     .html = "<a href=evil.example> trusted bank</a>"},
    {.name = "BlankBeforeClosingKept",
     .entries = {{"CLINK1", "evil.example"}, {"VLINK1", "trusted bank"}},
     .html = "<a href=evil.example>trusted bank </a>"},
    {.name = "BlanksInEntryMatchBlanksInText",
     .entries = {{"CLINK1", "evil.example"}, {"VLINK1", " trusted bank "}},
     .html = "<a href=evil.example> trusted bank </a>",
     .hit = true,
     .visible = " trusted bank ",
     .pattern = "evil.example"},
    {.name = "GreaterThanInsidePattern",
     .entries = {{"CLINK1", "evil.example\">"}, {"VLINK1", "bank"}},
     .html = "<a href=\"evil.example\">bank</a>",
     .hit = true,
     .visible = "bank",
     .pattern = "evil.example\">"},
    {.name = "GreaterThanInsidePatternEndsIt",
     .entries = {{"CLINK1", "x>y"}, {"VLINK1", "y"}},
     .html = "<b>x>y</b>",
     .hit = true,
     .visible = "y",
     .pattern = "x>y"},
    {.name = "OnlyFirstOccurrenceExamined",
     .entries = {{"CLINK1", "evil.example"}, {"VLINK1", "trusted bank"}},
     .html = "<a href=evil.example>other</a> <a href=evil.example>trusted bank</a>"},
    {.name = "NoGreaterThanAfterPattern",
     .entries = {{"CLINK1", "evil.example"}, {"VLINK1", "trusted bank"}},
     .html = "text evil.example trusted bank"},
    {.name = "NoLessThanTakesRest",
     .entries = {{"CLINK1", "evil.example"}, {"VLINK1", "trusted bank"}},
     .html = "<a href=evil.example>trusted bank",
     .hit = true,
     .visible = "trusted bank",
     .pattern = "evil.example"},
    {.name = "VisibleTextCutAt260",
     .entries = {{"CLINK1", "evil.example"}, {"VLINK1", std::string(260, 'z')}},
     .html = "<a href=evil.example>" + kLongText + "</a>",
     .hit = true,
     .visible = std::string(260, 'z'),
     .pattern = "evil.example"},
    {.name = "RestOfHtmlCutAt260",
     .entries = {{"CLINK1", "evil.example"}, {"VLINK1", std::string(260, 'z')}},
     .html = "<a href=evil.example>" + kLongText,
     .hit = true,
     .visible = std::string(260, 'z'),
     .pattern = "evil.example"},
    {.name = "EmptyVisibleTextNeverMatches",
     .entries = {{"CLINK1", "evil.example"}, {"VLINK1", "x"}},
     .html = "<a href=evil.example></a>"},
    {.name = "NullSlotSkipped",
     .entries = {{"CLINK1", "null"}, {"VLINK1", "x"}, {"CLINK2", "evil"}, {"VLINK2", "bank"}},
     .html = "<i>null>x</i><a href=evil>bank</a>",
     .hit = true,
     .visible = "bank",
     .pattern = "evil"},
    {.name = "NullSlotAnyCase",
     .entries = {{"CLINK1", "NuLL"}, {"VLINK1", "x"}},
     .html = "<i>null>x</i>"},
    {.name = "PairsUseTheSameIndex",
     .entries = {{"CLINK1", "evil"}, {"VLINK1", "other"}, {"CLINK2", "worse"}, {"VLINK2", "bank"}},
     .html = "<a href=evil>bank</a>"},
    {.name = "FirstIndexWins",
     .entries =
         {{"CLINK1", "a.example"}, {"VLINK1", "one"}, {"CLINK2", "b.example"}, {"VLINK2", "two"}},
     .html = "<a href=b.example>two</a><a href=a.example>one</a>",
     .hit = true,
     .visible = "one",
     .pattern = "a.example"},
    {.name = "GapEndsWalk",
     .entries =
         {{"CLINK1", "a.example"}, {"VLINK1", "one"}, {"CLINK3", "b.example"}, {"VLINK3", "two"}},
     .html = "<a href=b.example>two</a>"},
    {.name = "EmptyClinkEndsWalk",
     .entries = {{"CLINK1", ""}, {"CLINK2", "b.example"}, {"VLINK2", "two"}},
     .html = "<a href=b.example>two</a>"},
};
INSTANTIATE_TEST_SUITE_P(Rows, VisibleLinks, testing::ValuesIn(kVisibleRows), RowName);

struct PlainRow {
    const char* name;
    DatabaseEntries entries;
    std::string html;
    std::string pattern; // "" for a miss
};

class PlainLinks : public testing::TestWithParam<PlainRow> {
protected:
    LinkDatabase db_;
};

TEST_P(PlainLinks, FindsPattern) {
    const PlainRow& row = GetParam();
    db_.Use(row.entries);
    char pattern[261];
    std::memset(pattern, '#', sizeof pattern);
    bool hit = CLSPGlobals::IsBadMailLinks(row.html.c_str(), pattern);
    EXPECT_EQ(hit, !row.pattern.empty());
    if (hit) {
        EXPECT_EQ(std::string(pattern), row.pattern);
    } else {
        EXPECT_EQ(pattern[0], '#');
    }
}

std::string PlainName(const testing::TestParamInfo<PlainRow>& info) {
    return info.param.name;
}

const PlainRow kPlainRows[] = {
    {"HitWithoutVlink", {{"CLINK1", "evil.example"}}, "<a href=evil.example>x</a>", "evil.example"},
    {"PatternLowerCased", {{"CLINK1", "EVIL.example"}}, "go to evil.example now", "evil.example"},
    {"HtmlSearchIsCaseSensitive", {{"CLINK1", "evil"}}, "EVIL", ""},
    {"NullNeverMatches", {{"CLINK1", "null"}}, "value is null", ""},
    {"NullSkippedThenNext", {{"CLINK1", "NULL"}, {"CLINK2", "evil"}}, "null evil", "evil"},
    {"FirstIndexWins", {{"CLINK1", "b"}, {"CLINK2", "a"}}, "a b", "b"},
    {"GapEndsWalk", {{"CLINK1", "x"}, {"CLINK3", "a"}}, "a", ""},
    {"NoEntries", {}, "anything", ""},
    // Patterns fold in every script, as the inspector folds the page HTML.
    {"PatternFoldedInEveryScript",
     {{"CLINK1", "HTTP://BANCO.EXAMPLE/VERIFICA\xC3\x87\xC3\x83O"}},
     "<a href=\"http://banco.example/verifica\xC3\xA7\xC3\xA3o\">",
     "http://banco.example/verifica\xC3\xA7\xC3\xA3o"},
    {"PatternSharpSFoldsToSs",
     {{"CLINK1", "STRA\xC3\x9F\x45.example"}},
     "strasse.example",
     "strasse.example"},
    {"LatinOneBytesKept", {{"CLINK1", "\xC9VIL.example"}}, "\xC9vil.example", "\xC9vil.example"},
};
INSTANTIATE_TEST_SUITE_P(Rows, PlainLinks, testing::ValuesIn(kPlainRows), PlainName);

TEST(LinkChecks, VisibleTextComparedUnderTheFold) {
    LinkDatabase db;
    db.Use({{"CLINK1", "bank.example"}, {"VLINK1", "SEGURAN\xC3\x87\x41 DO BANCO"}});
    char visible[261] = "v";
    char pattern[261] = "p";
    EXPECT_TRUE(CLSPGlobals::IsBadVisibleMailLinks(
        "<a href=bank.example>seguran\xC3\xA7\x61 do banco</a>", visible, pattern));
    EXPECT_STREQ(visible, "SEGURAN\xC3\x87\x41 DO BANCO"); // as stored
    EXPECT_STREQ(pattern, "bank.example");
}

TEST(LinkChecks, MissingDatabaseFindsNothing) {
    LinkDatabase db;
    db.UseMissingFile();
    char visible[261] = "v";
    char pattern[261] = "p";
    EXPECT_FALSE(CLSPGlobals::IsBadVisibleMailLinks("<a href=x>y</a>", visible, pattern));
    EXPECT_FALSE(CLSPGlobals::IsBadMailLinks("<a href=x>y</a>", pattern));
    EXPECT_STREQ(visible, "v");
    EXPECT_STREQ(pattern, "p");
}

TEST(LinkChecks, NullArgumentsFindNothing) {
    LinkDatabase db;
    db.Use({{"CLINK1", "a"}, {"VLINK1", "b"}});
    char buffer[261];
    EXPECT_FALSE(CLSPGlobals::IsBadVisibleMailLinks(nullptr, buffer, buffer));
    EXPECT_FALSE(CLSPGlobals::IsBadVisibleMailLinks("a>b<", nullptr, buffer));
    EXPECT_FALSE(CLSPGlobals::IsBadMailLinks(nullptr, buffer));
    EXPECT_FALSE(CLSPGlobals::IsBadMailLinks("a", nullptr));
}

} // namespace
