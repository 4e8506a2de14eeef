// The platform toolkit: each helper with its edge cases (bytes that only look like letters, the
// ends of each UTF-8 length, the case fold of other scripts and of bytes that are no UTF-8, a
// moved-from owner, HOME not set, a file where a folder should be).
#include "platform/AsciiCase.h"
#include "platform/AtomicFile.h"
#include "platform/CaseFold.h"
#include "platform/ErrnoKeeper.h"
#include "platform/FixedField.h"
#include "platform/LastError.h"
#include "platform/ProviderCatalog.h"
#include "platform/UniqueFd.h"
#include "platform/UserFolders.h"
#include "platform/Utf8.h"
#include "tests/support/Files.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace hookwise::platform;

namespace {

namespace fs = std::filesystem;

using testsupport::ReadFile;

bool IsOpen(int fd) {
    return fcntl(fd, F_GETFD) != -1;
}

// ---- ASCII case ----

struct CaseRow {
    const char* name;
    const char* a;
    const char* b;
    bool equal;
    int order; // sign of CompareIgnoreAsciiCase(a, b)
};

const CaseRow kCaseRows[] = {
    {"SameLetters", "Software", "SOFTWARE", true, 0},
    {"Empty", "", "", true, 0},
    {"DifferentLength", "abc", "abcd", false, -1},
    // '_' sits between the upper and the lower letters: _stricmp compares it with lower case.
    {"UnderscoreAfterLetters", "_", "A", false, -1},
    {"AtSignBeforeLetters", "@", "a", false, -1},
    // UTF-8 bytes stand for themselves: "Ä" and "ä" differ, and no byte folds into a letter.
    {"Utf8NotFolded", "\xC3\x84", "\xC3\xA4", false, -1},
    {"HighByteAboveLetters", "\xE9", "Z", false, 1},
};

class AsciiCase : public testing::TestWithParam<CaseRow> {};

TEST_P(AsciiCase, CompareAndEqualAgree) {
    const CaseRow& row = GetParam();
    EXPECT_EQ(EqualsIgnoreAsciiCase(row.a, row.b), row.equal);
    const int order = CompareIgnoreAsciiCase(row.a, row.b);
    EXPECT_EQ((order > 0) - (order < 0), row.order);
    EXPECT_EQ(CompareIgnoreAsciiCase(row.b, row.a) == 0, row.order == 0);
}

INSTANTIATE_TEST_SUITE_P(Rows, AsciiCase, testing::ValuesIn(kCaseRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AsciiCaseText, UpperLowerAndInPlace) {
    EXPECT_EQ(AsciiUppered("mixed Case \xC3\xA4 [z]"), "MIXED CASE \xC3\xA4 [Z]");
    EXPECT_EQ(AsciiLowered("MIXED Case \xC3\x84 @Z"), "mixed case \xC3\x84 @z");
    char text[] = "WWW.Example.COM";
    AsciiLowerInPlace(text);
    EXPECT_STREQ(text, "www.example.com");
    AsciiLowerInPlace(nullptr); // ignored
}

// ---- the Unicode case fold ----

struct FoldRow {
    const char* name;
    std::string text;
    std::string folded;
};

class CaseFold : public testing::TestWithParam<FoldRow> {};

TEST_P(CaseFold, FoldsUtf8KeepsOtherBytes) {
    EXPECT_EQ(FoldCase(GetParam().text), GetParam().folded);
}

const FoldRow kFoldRows[] = {
    {"AsciiLettersOnly", "MiXeD 123 @[Z]`", "mixed 123 @[z]`"},
    {"Empty", "", ""},
    {"AccentedCapitals", "\xC3\x89\x43OLE \xC3\x80 \xC3\x9C\x42\x45R",
     "\xC3\xA9\x63ole \xC3\xA0 \xC3\xBC\x62\x65r"},
    {"FinalSigmaAndCapitalSigma",
     "\xCE\xA3\xCE\x9F\xCE\xA6\xCE\x9F\xCE\xA3 \xCF\x83\xCE\xBF\xCF\x86\xCE\xBF\xCF\x82",
     "\xCF\x83\xCE\xBF\xCF\x86\xCE\xBF\xCF\x83 \xCF\x83\xCE\xBF\xCF\x86\xCE\xBF\xCF\x83"},
    {"Cyrillic", "\xD0\x9F\xD0\xA0\xD0\x98\xD0\x92\xD0\x95\xD0\xA2",
     "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
    {"SharpSGrows", "Stra\xC3\x9F\x65 \xE1\xBA\x9E", "strasse ss"},
    {"LatinOneKept", "\xC9TAT \xD6L", "\xC9tat \xD6l"},
    {"CutSequenceKept", "AB\xC3", "ab\xC3"},
    {"StrayContinuationKept", "\x80Z\xBF\xC3\x89", "\x80z\xBF\xC3\xA9"},
    {"OverlongKept", "\xC0\xC1\xC0\xAF", "\xC0\xC1\xC0\xAF"},
};
INSTANTIATE_TEST_SUITE_P(Rows, CaseFold, testing::ValuesIn(kFoldRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CaseFoldText, AsciiIsItsOwnLowering) {
    std::string all;
    for (int c = 1; c < 0x80; ++c)
        all.push_back(static_cast<char>(c));
    EXPECT_TRUE(IsAsciiText(all));
    EXPECT_FALSE(IsAsciiText("a\xC3\xA9"));
    EXPECT_EQ(FoldCase(all), AsciiLowered(all));
}

// ---- the descriptor owner and the errno keeper ----

TEST(UniqueFdOwner, ClosesOnceAndMovesOwnership) {
    int raw = open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(raw, 0);
    {
        UniqueFd first(raw);
        UniqueFd second(std::move(first));
        EXPECT_FALSE(first.Valid());
        EXPECT_EQ(second.Get(), raw);
        UniqueFd third;
        third = std::move(second);
        EXPECT_EQ(third.Get(), raw);
        EXPECT_TRUE(IsOpen(raw));
    }
    EXPECT_FALSE(IsOpen(raw)) << "the last owner closes";

    UniqueFd kept(open("/dev/null", O_RDONLY | O_CLOEXEC));
    const int released = kept.Release();
    EXPECT_FALSE(kept.Valid());
    EXPECT_TRUE(IsOpen(released)) << "Release gives the descriptor up without closing it";
    UniqueFd owner(released);
    EXPECT_EQ(owner.Close(), 0);
    EXPECT_FALSE(IsOpen(released));
    EXPECT_EQ(owner.Close(), 0) << "closing nothing succeeds";

    UniqueFd replaced(open("/dev/null", O_RDONLY | O_CLOEXEC));
    const int old = replaced.Get();
    replaced.Reset(open("/dev/null", O_RDONLY | O_CLOEXEC));
    EXPECT_FALSE(IsOpen(old) && old != replaced.Get());
}

TEST(ErrnoKeeperScope, RestoresErrnoOnEveryPath) {
    errno = EAGAIN;
    auto failing = [] {
        ErrnoKeeper keep;
        EXPECT_EQ(keep.Saved(), EAGAIN);
        errno = ENOENT;
        return -1;
    };
    EXPECT_EQ(failing(), -1);
    EXPECT_EQ(errno, EAGAIN);
}

// ---- folders ----

class Folders : public testing::Test {
protected:
    testsupport::Sandbox sandbox_;
};

TEST_F(Folders, ConfigFolderFollowsXdgThenHome) {
    sandbox_.SetEnv("XDG_CONFIG_HOME", sandbox_.Path() + "/xdg");
    EXPECT_EQ(UserConfigFolder(), sandbox_.Path() + "/xdg");
    sandbox_.SetEnv("XDG_CONFIG_HOME", "relative/ignored");
    EXPECT_EQ(UserConfigFolder(), sandbox_.Home() + "/.config");
    sandbox_.UnsetEnv("XDG_CONFIG_HOME");
    EXPECT_EQ(UserConfigFolder(), sandbox_.Home() + "/.config");
}

TEST_F(Folders, WithoutHomeEveryConfigFileUsesThePasswordEntry) {
    sandbox_.UnsetEnv("HOME");
    sandbox_.UnsetEnv("XDG_CONFIG_HOME");
    sandbox_.UnsetEnv("HOOKWISE_CATALOG");
    const passwd* entry = getpwuid(getuid());
    ASSERT_NE(entry, nullptr);
    const std::string expected = std::string(entry->pw_dir) + "/.config";
    EXPECT_EQ(UserConfigFolder(), expected);
    EXPECT_EQ(CatalogPath(), expected + "/hookwise/protocols.catalog");
}

TEST_F(Folders, MakeFoldersCreatesTheChainAndRefusesAFileInIt) {
    const std::string deep = sandbox_.Path() + "/a/b/c";
    EXPECT_TRUE(MakeFolders(deep, 0700));
    EXPECT_TRUE(fs::is_directory(deep));
    EXPECT_TRUE(MakeFolders(deep, 0700)) << "an existing folder is fine";
    std::ofstream(sandbox_.Path() + "/file") << "x";
    errno = 0;
    EXPECT_FALSE(MakeFolders(sandbox_.Path() + "/file", 0700));
    EXPECT_EQ(errno, ENOTDIR);
    errno = 0;
    EXPECT_FALSE(MakeFolders(sandbox_.Path() + "/file/below", 0700));
    EXPECT_EQ(errno, ENOTDIR);
    EXPECT_FALSE(MakeFolders("", 0700));
}

// ---- write-then-rename ----

TEST_F(Folders, WriteFileAtomicallyReplacesWholeOrLeavesTheOldFile) {
    const std::string path = sandbox_.Path() + "/settings.conf";
    ASSERT_EQ(WriteFileAtomically(path, "first", 0644), ERROR_SUCCESS);
    ASSERT_EQ(WriteFileAtomically(path, std::string("sec\0ond", 7)), ERROR_SUCCESS);
    EXPECT_EQ(ReadFile(path), std::string("sec\0ond", 7));
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "the mode of the last write";

    EXPECT_EQ(WriteFileAtomically(sandbox_.Path() + "/missing/file", "x"), ERROR_PATH_NOT_FOUND);
    const std::string folder = sandbox_.Path() + "/folder";
    fs::create_directory(folder);
    EXPECT_NE(WriteFileAtomically(folder, "x"), ERROR_SUCCESS);
    EXPECT_TRUE(fs::is_directory(folder));
    for (const auto& entry : fs::directory_iterator(sandbox_.Path()))
        EXPECT_EQ(entry.path().filename().string().find("settings.conf."), std::string::npos)
            << "a temporary file was left behind: " << entry.path();
}

// ---- texts ----

TEST(SystemMessage, TextWithoutItsLineBreak) {
    EXPECT_EQ(FormatSystemMessage(ERROR_ACCESS_DENIED), "Access is denied.\r\n");
    EXPECT_EQ(SystemMessageText(ERROR_ACCESS_DENIED), "Access is denied.");
    EXPECT_EQ(SystemMessageText(ERROR_PATH_NOT_FOUND),
              "The system cannot find the path specified.");
}

struct Utf8Row {
    const char* name;
    char32_t cp;
    const char* bytes;
};

const Utf8Row kUtf8Rows[] = {
    {"Nul", 0x00, ""}, // compared with its length below
    {"LastOneByte", 0x7F, "\x7F"},
    {"FirstTwoBytes", 0x80, "\xC2\x80"},
    {"LastTwoBytes", 0x7FF, "\xDF\xBF"},
    {"FirstThreeBytes", 0x800, "\xE0\xA0\x80"},
    {"Euro", 0x20AC, "\xE2\x82\xAC"},
    {"Replacement", 0xFFFD, "\xEF\xBF\xBD"},
    {"FirstFourBytes", 0x10000, "\xF0\x90\x80\x80"},
    {"LastCodePoint", 0x10FFFF, "\xF4\x8F\xBF\xBF"},
};

class Utf8Encoding : public testing::TestWithParam<Utf8Row> {};

TEST_P(Utf8Encoding, Bytes) {
    std::string out = "<";
    AppendUtf8(out, GetParam().cp);
    std::string expected = "<";
    if (GetParam().cp == 0)
        expected.push_back('\0');
    else
        expected.append(GetParam().bytes);
    EXPECT_EQ(out, expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, Utf8Encoding, testing::ValuesIn(kUtf8Rows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FixedFields, BoundedCopyCutsAndTerminates) {
    char field[kFieldSize];
    static_assert(sizeof field == 261);
    const std::string longText(400, 'x');
    CopyField(field, longText.c_str());
    EXPECT_EQ(FieldString(field), std::string(260, 'x'));

    char small[5];
    std::memset(small, '#', sizeof small);
    CopyField(small, "abcdefgh");
    EXPECT_STREQ(small, "abcd");
    CopyField(small, nullptr);
    EXPECT_STREQ(small, "");
    CopyField(small, 0, "ignored"); // a zero-sized field is left alone
    EXPECT_STREQ(small, "");

    char reset[8];
    CopyField(reset, "1234567");
    ResetField(reset, "ab");
    EXPECT_EQ(std::string(reset, sizeof reset), std::string("ab\0\0\0\0\0\0", 8));
    char unterminated[3] = {'a', 'b', 'c'};
    EXPECT_EQ(FieldLength(unterminated), 3u) << "a field without terminator ends at its size";

    // The UTF-8 reset cuts before a character, and a missing text clears the field.
    char utf8[5];
    ResetFieldUtf8(utf8, "ab\xC3\xA9z"); // "abéz": the 'é' fits whole, the 'z' does not
    EXPECT_EQ(std::string(utf8), "ab\xC3\xA9");
    ResetFieldUtf8(utf8, "abc\xC3\xA9"); // the 'é' would be cut: it is left out whole
    EXPECT_EQ(std::string(utf8), "abc");
    ResetFieldUtf8(utf8, nullptr);
    EXPECT_EQ(std::string(utf8, sizeof utf8), std::string(5, '\0'));
}

} // namespace
