// The text helpers every layer shares: trimming by a set, splitting lines, the "\n" "\t" escape
// form, hexadecimal digits, and reading a whole file (missing, empty, too large, a folder).
#include "platform/HexDigit.h"
#include "platform/TextEscape.h"
#include "platform/TextLines.h"
#include "platform/TextTrim.h"
#include "platform/WholeFile.h"
#include "tests/support/Files.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

using namespace hookwise::platform;

namespace {

using Lines = std::vector<std::string_view>;

// ---- trimming ----

TEST(TextTrim, OnlyTheCharactersOfTheSetAtEachEnd) {
    EXPECT_EQ(Trim(" \t a \t b\t ", kSpaceTab), "a \t b");
    EXPECT_EQ(Trim("\va\v", kSpaceTab), "\va\v") << "VT is not in the set";
    EXPECT_EQ(Trim("\va\v", kSpaceTabVt), "a");
    EXPECT_EQ(Trim("  a", ""), "  a") << "an empty set trims nothing";
    EXPECT_EQ(Trim("", kSpaceTab), "");
    EXPECT_EQ(Trim(std::string_view("\0a\0", 3), std::string_view("\0", 1)), "a");
}

TEST(TextTrim, FrontAndBackAlone) {
    EXPECT_EQ(TrimFront(" \ta\r\n", kSpaceTab), "a\r\n");
    EXPECT_EQ(TrimBack(" \ta\r\n", " \t\r\n"), " \ta");
    EXPECT_EQ(TrimBack(TrimFront("\t v \r", kSpaceTab), " \t\r"), "v");
}

TEST(TextTrim, AllBlankGivesTheEmptyEndOfTheText) {
    const std::string_view text = "ab   ";
    const std::string_view tail = Trim(text.substr(2), " ");
    EXPECT_TRUE(tail.empty());
    EXPECT_EQ(tail.data(), text.data() + text.size()) << "offsets from data() stay inside text";
    EXPECT_TRUE(TrimBack("   ", " ").empty());
}

// ---- lines ----

TEST(TextLines, LfAndCrLfEndsAndNoLineAfterTheLastBreak) {
    EXPECT_EQ(SplitLines("a\nb\r\nc"), (Lines{"a", "b", "c"}));
    EXPECT_EQ(SplitLines("a\nb\n"), (Lines{"a", "b"}));
    EXPECT_EQ(SplitLines(""), Lines{});
    EXPECT_EQ(SplitLines("\n"), (Lines{""}));
    EXPECT_EQ(SplitLines("a\n\n\nb"), (Lines{"a", "", "", "b"}));
    EXPECT_EQ(SplitLines("a\rb"), (Lines{"a\rb"})) << "a lone CR inside a line is text";
    EXPECT_EQ(SplitLines("a\r\r\n"), (Lines{"a\r"})) << "only the one CR before the LF goes";
    EXPECT_EQ(SplitLines("a\r"), (Lines{"a"})) << "nor is a CR before the end kept";
}

TEST(TextLines, CrKeptWhenAsked) {
    EXPECT_EQ(SplitLines("a\r\nb\r\n", LineEndCr::Keep), (Lines{"a\r", "b\r"}));
}

// ---- the escape form ----

TEST(TextEscape, LineFeedsAndTabsRoundTrip) {
    EXPECT_EQ(EscapeTabsAndLineFeeds("a\nb\tc\\"), "a\\nb\\tc\\");
    EXPECT_EQ(UnescapeTabsAndLineFeeds("a\\nb\\tc"), "a\nb\tc");
    // Any text without a backslash before an n or a t comes back as it was.
    for (const std::string text : {"", "\n\t\n", "x\\y", "\\", "\n\\", "\r"})
        EXPECT_EQ(UnescapeTabsAndLineFeeds(EscapeTabsAndLineFeeds(text)), text);
}

TEST(TextEscape, OtherBackslashesStandForThemselves) {
    EXPECT_EQ(UnescapeTabsAndLineFeeds("\\r\\\\x\\"), "\\r\\\\x\\");
    EXPECT_EQ(UnescapeTabsAndLineFeeds("\\\\n"), "\\\n") << "read left to right, no pairing";
}

// ---- hexadecimal digits ----

TEST(HexDigit, DigitsOfBothCasesAndTheirNeighbours) {
    EXPECT_EQ(HexDigitValue('0'), 0);
    EXPECT_EQ(HexDigitValue('9'), 9);
    EXPECT_EQ(HexDigitValue('a'), 10);
    EXPECT_EQ(HexDigitValue('F'), 15);
    for (char c : {'/', ':', '@', 'G', '`', 'g', ' ', '\0', '\xA0'})
        EXPECT_EQ(HexDigitValue(c), -1) << static_cast<int>(c);
}

// ---- whole files ----

class WholeFile : public testing::Test {
protected:
    testsupport::Sandbox sandbox_{"wholefile"};
};

TEST_F(WholeFile, ReadsEveryByte) {
    const std::string path = sandbox_.File("data");
    const std::string bytes = std::string("a\0b", 3) + std::string(100000, 'x');
    testsupport::WriteFile(path, bytes);
    std::string out = "old";
    EXPECT_EQ(ReadWholeFile(path, out), 0);
    EXPECT_EQ(out, bytes);
    testsupport::WriteFile(path, "");
    EXPECT_EQ(ReadWholeFile(path, out), 0);
    EXPECT_EQ(out, "");
}

TEST_F(WholeFile, FailuresLeaveNothing) {
    std::string out = "old";
    EXPECT_EQ(ReadWholeFile(sandbox_.File("missing"), out), ENOENT);
    EXPECT_EQ(out, "");
    out = "old";
    EXPECT_EQ(ReadWholeFile(sandbox_.Path(), out), EISDIR) << "a folder cannot be read";
    EXPECT_EQ(out, "");

    const std::string path = sandbox_.File("big");
    testsupport::WriteFile(path, std::string(10, 'x'));
    EXPECT_EQ(ReadWholeFile(path, out, 10), 0) << "exactly the limit is fine";
    EXPECT_EQ(ReadWholeFile(path, out, 9), EFBIG);
    EXPECT_EQ(out, "");
}

TEST_F(WholeFile, DescriptorReadFromWhereItStands) {
    const std::string path = sandbox_.File("data");
    testsupport::WriteFile(path, "headbody");
    const int fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::lseek(fd, 4, SEEK_SET), 4);
    std::string out;
    EXPECT_EQ(ReadWholeDescriptor(fd, out), 0);
    EXPECT_EQ(out, "body");
    EXPECT_EQ(::close(fd), 0) << "the descriptor stays open";
    EXPECT_EQ(ReadWholeDescriptor(-1, out), EBADF);
}

} // namespace
