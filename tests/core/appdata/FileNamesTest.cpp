// File-name encoding, the runtime generator, the hidden folders and the data folder, the text
// helpers.
#include "core/FileNames.h"

#include "core/TextUtil.h"
#include "AppDataSandbox.h"

#include <climits>
#include <cstdlib>
#include <ostream>

#include <sys/stat.h>
#include <unistd.h>

using namespace hookwise::platform;

using namespace hookwise::core;

namespace {

struct EncodeRow {
    const char* name;
    const char* plain;
    const char* encoded;
};

void PrintTo(const EncodeRow& row, std::ostream* os) {
    *os << row.name;
}

const EncodeRow kEncodeRows[] = {
    {"Letters", "abc", "656667"},
    {"MovieName", "HkMain", "727577657378"},
    {"Language", "German", "716982776578"},
    {"Digits", "Pass12", "806583834950"},
    {"Empty", "", ""},
};

class Encoding : public ::testing::TestWithParam<EncodeRow> {};

TEST_P(Encoding, EncodesUpperCasedCodesAndDecodesBack) {
    const EncodeRow& row = GetParam();
    EXPECT_EQ(EncodeFileName(row.plain), row.encoded);
    EXPECT_EQ(DecodeFileName(row.encoded), AsciiUppered(row.plain));
}

INSTANTIATE_TEST_SUITE_P(Names, Encoding, ::testing::ValuesIn(kEncodeRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DecodeFileName, StopsAtWhatIsNotTwoDigits) {
    EXPECT_EQ(DecodeFileName("65666"), "AB");    // a lone last digit
    EXPECT_EQ(DecodeFileName("6566x767"), "AB"); // a pair with a non-digit
    EXPECT_EQ(DecodeFileName("650066"), "A");    // a NUL code
    EXPECT_EQ(DecodeFileName(""), "");
}

TEST(EncodeFileName, BytesAboveAsciiTakeThreeDigitsAndDoNotSurvive) {
    std::string name = "\xC3\xA4"; // UTF-8 a-umlaut
    EXPECT_EQ(EncodeFileName(name), "195164");
    EXPECT_NE(DecodeFileName(EncodeFileName(name)), name);
}

TEST(RuntimeRandom, MatchesTheCRuntimeSequence) {
    RuntimeRandom seed1(1);
    EXPECT_EQ(seed1.Next(), 41); // the well-known first values of rand() after srand(1)
    EXPECT_EQ(seed1.Next(), 18467);
    EXPECT_EQ(seed1.Next(), 6334);
    RuntimeRandom movies(10);
    EXPECT_EQ(movies.Next(), 71);
    EXPECT_EQ(movies.Next(), 16899);
    RuntimeRandom help(9);
    EXPECT_EQ(help.Next(), 68);
    EXPECT_EQ(help.Next(), 6151);
}

class HiddenFolders : public AppDataSandbox {};

TEST_F(HiddenFolders, AreCreatedBelowTheProgramFolderOnEveryCall) {
    EXPECT_EQ(GetMovieFolder(), programFolder_ + "/71/16899");
    EXPECT_EQ(GetAuxFolder(), programFolder_ + "/68/6151");
    RuntimeRandom languages(7);
    std::string first = std::to_string(languages.Next());
    std::string second = std::to_string(languages.Next());
    EXPECT_EQ(GetLanguageFolder(), programFolder_ + "/" + first + "/" + second);
    EXPECT_TRUE(std::filesystem::is_directory(programFolder_ + "/71/16899"));
    std::filesystem::remove_all(programFolder_ + "/71");
    EXPECT_EQ(GetMoviePath("HkMain", ".pbf"), programFolder_ + "/71/16899/727577657378.pbf");
    EXPECT_TRUE(std::filesystem::is_directory(programFolder_ + "/71/16899"));
}

// Where the files written at run time go.
class DataFolders : public AppDataSandbox {
protected:
    void TearDown() override {
        unsetenv("XDG_DATA_HOME");
        SetDataFolder("");
        AppDataSandbox::TearDown();
    }
};

TEST_F(DataFolders, AWritableProgramFolderKeepsItsFiles) {
    bool userFolder = true;
    EXPECT_EQ(ChooseDataFolder(programFolder_, &userFolder), programFolder_);
    EXPECT_FALSE(userFolder);
    EXPECT_FALSE(std::filesystem::exists(folder_ + "/home/.local/share/hookwise"));
    EXPECT_EQ(DataFolder(), programFolder_) << "without a choice the program folder";
}

TEST_F(DataFolders, APackagedProgramFolderSendsThemToTheUsersOwnFolder) {
    WriteFile(programFolder_ + "/" + kSystemInstallMarker, "");
    bool userFolder = false;
    const std::string chosen = ChooseDataFolder(programFolder_, &userFolder);
    EXPECT_TRUE(userFolder);
    EXPECT_EQ(chosen, folder_ + "/home/.local/share/hookwise");
    struct stat info {};
    ASSERT_EQ(stat(chosen.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0700u) << "other users may not read the definitions";

    setenv("XDG_DATA_HOME", (folder_ + "/xdg-data").c_str(), 1);
    EXPECT_EQ(ChooseDataFolder(programFolder_), folder_ + "/xdg-data/hookwise");
    setenv("XDG_DATA_HOME", "relative/ignored", 1);
    EXPECT_EQ(ChooseDataFolder(programFolder_), chosen);

    SetDataFolder(chosen + "/");
    EXPECT_EQ(DataFolder(), chosen);
    EXPECT_EQ(ProgramFolder(), programFolder_) << "shipped files are still read from there";
}

TEST_F(DataFolders, AProgramFolderTheUserCannotWriteSendsThemToTheUsersOwnFolder) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root may write into any folder";
    std::filesystem::permissions(programFolder_, std::filesystem::perms::owner_read |
                                                     std::filesystem::perms::owner_exec);
    bool userFolder = false;
    EXPECT_EQ(ChooseDataFolder(programFolder_, &userFolder),
              folder_ + "/home/.local/share/hookwise");
    EXPECT_TRUE(userFolder);
    std::filesystem::permissions(programFolder_, std::filesystem::perms::owner_all);
}

TEST(RotatedKey, IsTheIdRotatedLeftBySevenAsSignedDecimal) {
    EXPECT_EQ(RotatedKey(7003), "896384");
    EXPECT_EQ(RotatedKey(32771), "4194688");
    EXPECT_EQ(RotatedKey(32774), "4195072");
    EXPECT_EQ(RotatedKey(32772), "4194816");
    EXPECT_EQ(RotatedKey(1u << 25), "1");           // the top bits come round
    EXPECT_EQ(RotatedKey(1u << 24), "-2147483648"); // and the sign shows
}

struct IntRow {
    const char* name;
    const char* text;
    std::int32_t value;
};

void PrintTo(const IntRow& row, std::ostream* os) {
    *os << row.name;
}

const IntRow kIntRows[] = {
    {"Plain", "8080", 8080},
    {"Negative", "-1", -1},
    {"LeadingBlanks", "  \t42", 42},
    {"Plus", "+7", 7},
    {"TrailingText", "80abc", 80},
    {"NoDigits", "abc", 0},
    {"Empty", "", 0},
    {"SignOnly", "-", 0},
    {"TooLarge", "99999999999", INT32_MAX},
    {"TooSmall", "-99999999999", INT32_MIN},
};

class LeadingInt : public ::testing::TestWithParam<IntRow> {};

TEST_P(LeadingInt, ReadsAsAtoiWithoutOverflow) {
    EXPECT_EQ(ParseLeadingInt(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Texts, LeadingInt, ::testing::ValuesIn(kIntRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(EqualsIgnoreCase, FoldsAsciiOnly) {
    EXPECT_TRUE(EqualsIgnoreAsciiCase("Hello@Example.COM", "hello@example.com"));
    EXPECT_FALSE(EqualsIgnoreAsciiCase("abc", "abcd"));
    EXPECT_TRUE(EqualsIgnoreAsciiCase("\xC3\xA4x", "\xC3\xA4X"));
    EXPECT_FALSE(
        EqualsIgnoreAsciiCase("\xC3\xA4", "\xC3\x84")); // no folding inside UTF-8 sequences
}

} // namespace
