// The shipped definition file: version dates, the header line as the tools and the program read
// it, the encipherment and the start-up decipherment.
#include "core/definitions/ShippedFile.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

using namespace hookwise::core;

namespace {

// ---- the version line ----

struct VersionRow {
    const char* name;
    const char* version;
    bool valid;
};

const VersionRow kVersionRows[] = {
    {"Plain", "12/01/2026", true},
    {"LeapDay", "02/29/2024", true},
    {"LeapCentury", "02/29/2000", true},
    {"NoLeapDay", "02/29/2025", false},
    {"NoLeapCentury", "02/29/1900", false},
    {"Month13", "13/01/2026", false},
    {"Month0", "00/10/2026", false},
    {"Day0", "10/00/2026", false},
    {"April31", "04/31/2026", false},
    {"Unpadded", "1/2/2026", false},
    {"Dashes", "12-01-2026", false},
    {"ShortYear", "12/01/26", false},
    {"Trailing", "12/01/2026x", false},
    {"DayFirst", "31/12/2026", false},
    {"Empty", "", false},
    {"Year0", "01/01/0000", false},
};

class Versions : public testing::TestWithParam<VersionRow> {};

TEST_P(Versions, OnlyRealDatesMmDdYyyy) {
    std::string reason;
    EXPECT_EQ(CheckVersion(GetParam().version, reason), GetParam().valid) << reason;
    if (!GetParam().valid) {
        EXPECT_FALSE(reason.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Dates, Versions, testing::ValuesIn(kVersionRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ShippedLayout, HeaderRecognition) {
    EXPECT_TRUE(HasShippedHeader("01/02/2003    \r\nxxxxxxxx"));
    EXPECT_FALSE(HasShippedHeader("01/02/2003   \r\n"));  // 15 bytes
    EXPECT_FALSE(HasShippedHeader("01/02/2003\r\n    ")); // not padded
    EXPECT_FALSE(HasShippedHeader("2003/01/02    \r\n"));
    EXPECT_FALSE(HasShippedHeader("[HostIP]\r\nIP1=1\r\n"));
}

// The program's own reading of the first line, looser than the tools' header check.
struct FirstLineRow {
    const char* name;
    std::string firstBytes;
    const char* version;
};

void PrintTo(const FirstLineRow& row, std::ostream* os) {
    *os << row.name;
}

const FirstLineRow kFirstLineRows[] = {
    {"DatePaddedWithBlanks", "12/31/2006    \r\nrest", "12/31/2006"},
    {"DateWithTab", "01/02/2010\t\r\n", "01/02/2010"},
    {"YearFirst", "2006/12/31    \r\n", ""},
    {"NoLineEnd", "12/31/2006" + std::string(300, ' '), ""},
    {"LineEndBeyond256", "12/31/2006" + std::string(250, ' ') + "\r\n", ""},
    {"LineFeedOnly", "12/31/2006    \n", ""},
    {"ShortDateShape", "12/31/\r\n", "12/31/"},
    {"SlashOnlyAtTwo", "12/3131/06\r\n", ""},
    {"NulEndsTheLine", std::string("12/31/2006\0xx\r\n", 15), "12/31/2006"},
    {"Empty", "", ""},
};

class DefinitionsVersion : public testing::TestWithParam<FirstLineRow> {};

TEST_P(DefinitionsVersion, IsTheDateOfTheFirstLine) {
    EXPECT_EQ(DefinitionsVersionOf(GetParam().firstBytes), GetParam().version);
}

INSTANTIATE_TEST_SUITE_P(FirstLines, DefinitionsVersion, testing::ValuesIn(kFirstLineRows),
                         [](const testing::TestParamInfo<FirstLineRow>& info) {
                             return std::string(info.param.name);
                         });

// ---- encipherment and decipherment ----

TEST(ShippedLayout, HeaderLineThenEncipheredBlocks) {
    const std::string text = "[section]\r\nkey=value\r\n"; // 22 bytes, padded to 24
    const std::string shipped = BuildShippedFile("12/31/2006", text);
    ASSERT_EQ(shipped.size(), 16u + 24u);
    EXPECT_EQ(shipped.substr(0, 16), "12/31/2006    \r\n");
    EXPECT_TRUE(HasShippedHeader(shipped));
    EXPECT_EQ(ShippedVersion(shipped), "12/31/2006");
    EXPECT_EQ(shipped.find("key"), std::string::npos); // the text is enciphered

    std::string working;
    std::string error;
    ASSERT_TRUE(DecipherAtStartUp(shipped, working, error)) << error;
    ASSERT_EQ(working.size(), shipped.size());
    EXPECT_EQ(working.substr(14, 2), "\r\n");
    EXPECT_NE(working.substr(0, 14), "12/31/2006    "); // the header deciphers to garbage
    EXPECT_EQ(working.substr(16), text + "  ");
}

TEST(ShippedLayout, StartUpRefusesBadLengths) {
    const std::string shipped = BuildShippedFile("12/31/2006", "[a]\r\nb=c\r\n");
    for (std::size_t length : {0u, 8u, 15u, 17u, 23u, 31u}) {
        std::string working = "untouched";
        std::string error;
        EXPECT_FALSE(DecipherAtStartUp(shipped.substr(0, length), working, error)) << length;
        EXPECT_EQ(working, "untouched");
        EXPECT_FALSE(error.empty());
    }
    std::string working;
    std::string error;
    EXPECT_FALSE(DecipherAtStartUp(shipped.substr(0, 17), working, error));
    EXPECT_EQ(error, "Incorrect buffer length: the length (17 bytes) is not a multiple of 8");
    EXPECT_TRUE(DecipherAtStartUp(shipped.substr(0, 16), working, error)); // header only
}

} // namespace
