// hkwdefs checks: entries the profile reader would not give back unchanged, and the list rules.
#include "tools/hkwdefs/Compiler.h"
#include "tools/hkwdefs/DefinitionSet.h"
#include "tools/hkwdefs/IniText.h"

#include <gtest/gtest.h>

#include <string>

using namespace hookwise::tools;

namespace {

// ---- scrambled fields (the scrambling key is "8305716": position 0 adds '8', position 2 '0') ----

struct FaultRow {
    const char* name;
    std::string plain;
    ScrambledField field;
    const char* expected; // substring of the fault, "" for none
};

const FaultRow kFaultRows[] = {
    {"PrintableAsciiValue", " !\"#$%&'()*+,-./09:;<=>?@AZ[\\]^_`az{|}~", ScrambledField::Value, ""},
    {"QuotedPlainValue", "\"quoted\"", ScrambledField::Value, ""},
    {"TabInValue", "a\tb", ScrambledField::Value, ""},
    {"ZeroSum",
     "\xC8"
     "abc",
     ScrambledField::Value, "character 1 (0xC8) scrambles to a zero byte"},
    {"ZeroSumLater", "ab\xD0", ScrambledField::Value, "character 3 (0xD0) scrambles to a zero"},
    {"SemicolonEscape",
     "\x83"
     "abc",
     ScrambledField::Value, "escape byte 0xBB"},
    {"EqualsEscape",
     "\x85"
     "abc",
     ScrambledField::Value, "escape byte 0xBD"},
    {"LineFeed",
     "\xD2"
     "abc",
     ScrambledField::Value, "scrambles to a line break"},
    {"CarriageReturn",
     "\xD5"
     "abc",
     ScrambledField::Value, "scrambles to a line break"},
    {"BlankAtStart",
     "\xE8"
     "abc",
     ScrambledField::Value, "blank at its start or end"},
    {"BlankAtEnd", "ab\xF0", ScrambledField::Value, "blank at its start or end"},
    {"TabAtEnd", "ab\xD9", ScrambledField::Value, "blank at its start or end"},
    {"MatchingQuotes",
     "\xEA"
     "b\xF2",
     ScrambledField::Value, "matching quotes"},
    {"PlainLineBreak", "a\nb", ScrambledField::Value, "cannot stand on an INI line"},
    {"PlainNul", std::string("a\0b", 3), ScrambledField::Value, "cannot stand on an INI line"},
    {"Empty", "", ScrambledField::Value, "empty"},
    {"KeyStartsSectionHeader", "#1", ScrambledField::KeyName, "starts with '['"},
    {"SectionHoldsBracket", "a*", ScrambledField::SectionName, "holding ']'"},
    {"BracketStartIsFineInValue", "#1", ScrambledField::Value, ""},
};

class ScrambleFaults : public testing::TestWithParam<FaultRow> {};

TEST_P(ScrambleFaults, NamesTheFault) {
    const FaultRow& row = GetParam();
    const std::string fault = ScrambleFault(row.plain, row.field);
    if (std::string(row.expected).empty())
        EXPECT_EQ(fault, "");
    else
        EXPECT_NE(fault.find(row.expected), std::string::npos) << fault;
}

INSTANTIATE_TEST_SUITE_P(Fields, ScrambleFaults, testing::ValuesIn(kFaultRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ScrambleFaults, EveryDefinitionsNameIsSafe) {
    for (const DefinitionListInfo& list : kDefinitionLists) {
        EXPECT_EQ(ScrambleFault(std::string(list.section), ScrambledField::SectionName), "");
        for (unsigned long index : {1ul, 9ul, 10ul, 99ul, 12345ul})
            EXPECT_EQ(ScrambleFault(std::string(list.prefix) + std::to_string(index),
                                    ScrambledField::KeyName),
                      "");
    }
}

// ---- the plain source and the list rules ----

struct SourceRow {
    const char* name;
    std::string source;
    const char* expected; // substring of one message, "" when the source is accepted
};

std::string Repeat(char c, std::size_t count) {
    return std::string(count, c);
}

const SourceRow kSourceRows[] = {
    {"Accepted", "[HostIP]\nIP1=192.0.2.1\n[Text]\nTXT1=click here\n", ""},
    {"NamesIgnoreCase", "[hostip]\nip1=192.0.2.1\n", ""},
    {"ByteOrderMark", "\xEF\xBB\xBF[Text]\nTXT1=a\n", ""},
    {"VlinkGapsAllowed", "[Link]\nCLINK1=a\nCLINK2=b\nCLINK3=c\nVLINK3=shown\n", ""},
    {"NullSlotWithoutVlink", "[Link]\nCLINK1=null\nCLINK2=a\nVLINK2=b\n", ""},
    {"HostAt99", "[HostIP]\nIP1=" + Repeat('1', 99) + "\n", ""},
    {"TextAt260", "[Text]\nTXT1=" + Repeat('x', 260) + "\n", ""},
    {"HostOver99", "[HostIP]\nIP1=" + Repeat('1', 100) + "\n",
     "[HostIP] IP1 (line 2): value of 100 characters; the engine reads at most 99"},
    {"TextOver260", "[Text]\nTXT1=" + Repeat('x', 261) + "\n", "reads at most 260"},
    {"Gap", "[From]\nFROM1=a\nFROM3=c\nFROM4=d\n", "[From] FROM3 (line 3): FROM2 is missing"},
    {"GapAtStart", "[Subject]\nSUB2=b\n", "SUB1 is missing"},
    {"EmptyValue", "[Text]\nTXT1=\n", "[Text] TXT1 (line 2): empty value"},
    {"QuotedEmptyValue", "[Text]\nTXT1=\"\"\n", "empty value"},
    {"VlinkWithoutClink", "[Link]\nCLINK1=a\nVLINK2=b\n", "VLINK2 (line 3): no CLINK2"},
    {"VlinkBesideNull", "[Link]\nCLINK1=NULL\nVLINK1=b\n", "its CLINK1 is \"null\""},
    {"UnknownSection", "[Hosts]\nIP1=1\n", "[Hosts] is not a definitions section"},
    {"KeyOfAnotherSection", "[From]\nIP1=1\n", "[From] IP1 (line 2): not a key of this section"},
    {"LeadingZeroIndex", "[HostIP]\nIP01=1\n", "not a key of this section"},
    {"NoIndex", "[HostIP]\nIP=1\n", "not a key of this section"},
    {"RepeatedKey", "[Text]\nTXT1=a\ntxt1=b\n", "[Text] TXT1 (line 3): repeated key"},
    {"RepeatedKeyAcrossCopies", "[Text]\nTXT1=a\n[Link]\nCLINK1=x\n[text]\nTXT1=b\n",
     "repeated key"},
    {"LineWithoutEquals", "[Text]\nTXT1\n", "line 2: \"TXT1\" is neither"},
    {"KeyBeforeSection", "IP1=1\n[HostIP]\nIP1=2\n", "line 1: IP1 stands before the first"},
    {"UnclosedHeader", "[HostIP\nIP1=1\n", "section header without ']'"},
    {"NulByte", std::string("[Text]\nTXT1=a") + '\0' + "b\n", "line 2: contains a NUL byte"},
    {"NoEntries", "; nothing here\n[Text]\n", "no definitions"},
};

class SourceRules : public testing::TestWithParam<SourceRow> {};

TEST_P(SourceRules, AcceptOrNameTheEntry) {
    const SourceRow& row = GetParam();
    DefinitionSet set;
    Messages errors;
    const bool read = ReadPlainDefinitions(row.source, set, errors);
    const bool checked = CheckDefinitions(set, "12/01/2026", errors);
    std::string all;
    for (const std::string& message : errors)
        all += message + "\n";
    if (std::string(row.expected).empty()) {
        EXPECT_TRUE(read && checked) << all;
        return;
    }
    EXPECT_FALSE(read && checked);
    EXPECT_NE(all.find(row.expected), std::string::npos) << all;
}

INSTANTIATE_TEST_SUITE_P(Sources, SourceRules, testing::ValuesIn(kSourceRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SourceReading, CanonicalNamesMergedSectionsAndQuotes) {
    DefinitionSet set;
    Messages errors;
    ASSERT_TRUE(ReadPlainDefinitions("; comment\r\n[text]\r\ntxt1 = \" padded phrase \" \r\n"
                                     "[HOSTIP]\r\nIp1=192.0.2.1\r\n[Text]\r\nTXT2='it''s'\r\n",
                                     set, errors))
        << errors[0];
    ASSERT_EQ(set.size(), 2u);
    EXPECT_EQ(set[0].name, "Text");
    ASSERT_EQ(set[0].entries.size(), 2u);
    EXPECT_EQ(set[0].entries[0].key, "TXT1");
    EXPECT_EQ(set[0].entries[0].value, " padded phrase ");
    EXPECT_EQ(set[0].entries[1].value, "it''s");
    EXPECT_EQ(set[1].name, "HostIP");
    EXPECT_EQ(set[1].entries[0].key, "IP1");
}

// ---- writing values that the reader would change ----

TEST(IniQuoting, EveryAwkwardValueSurvivesAWriteAndARead) {
    for (const std::string value : {" lead", "trail ", "\"both\"", "'single'", "a=b=c", ";semi",
                                    "[bracket]", "\"open", "x", "\t tab \t", "\"\""}) {
        const std::vector<IniLine> lines = SplitIniLines("[S]\n" + FormatIniEntry("K", value));
        ASSERT_EQ(lines.size(), 2u) << value;
        EXPECT_EQ(lines[1].kind, IniLine::Entry) << value;
        EXPECT_EQ(lines[1].value, value);
    }
}

TEST(IniLines, ReaderRules) {
    const std::string text =
        std::string("  [ One ] tail\rk = v \r\n;c\n\n[Two\nx\nbad") + '\0' + "hidden=1\n";
    const std::vector<IniLine> lines = SplitIniLines(text);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0].kind, IniLine::Section);
    EXPECT_EQ(lines[0].name, "One");
    EXPECT_EQ(lines[1].kind, IniLine::Entry);
    EXPECT_EQ(lines[1].name, "k");
    EXPECT_EQ(lines[1].value, "v");
    EXPECT_EQ(lines[1].number, 2u);
    EXPECT_EQ(lines[2].kind, IniLine::Comment);
    EXPECT_EQ(lines[3].name, "Two");
    EXPECT_FALSE(lines[3].closed);
    EXPECT_EQ(lines[3].number, 5u);
    EXPECT_EQ(lines[4].kind, IniLine::NoEquals);
    EXPECT_EQ(lines[5].kind, IniLine::NoEquals); // the NUL hides "=1"
    EXPECT_EQ(lines[5].name, "bad");
}

} // namespace
