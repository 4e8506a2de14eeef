// The command tables' argument rules without a window: decimal arguments and row indexes, the file
// dialog filters, and the registry tool's parameters surviving any path.
#include "app/AdminCommands.h"
#include "app/MovieCommands.h"
#include "platform/ShellExecute.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

struct NumberRow {
    const char* name;
    const char* args;
    std::optional<int> value;
};

const NumberRow kNumberRows[] = {
    {"Zero", "0", 0},
    {"Plain", "12", 12},
    {"Blanks", " 7 ", 7},
    {"Plus", "+3", 3},
    {"Negative", "-1", -1},
    {"Largest", "2147483647", 2147483647},
    {"Undefined", "undefined", std::nullopt},
    {"UndefinedUpperCase", "UNDEFINED", std::nullopt},
    {"Empty", "", std::nullopt},
    {"TrailingText", "12px", std::nullopt},
    {"Word", "abc", std::nullopt},
    {"Hex", "0x10", std::nullopt},
    {"Fraction", "1.5", std::nullopt},
    {"BeyondInt", "2147483648", std::nullopt},
    {"Huge", "99999999999999999999", std::nullopt},
};

class DecimalArgumentRows : public testing::TestWithParam<NumberRow> {};

TEST_P(DecimalArgumentRows, ReadsOnlyWholeDecimalNumbers) {
    EXPECT_EQ(DecimalArgument(QString::fromLatin1(GetParam().args)), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Arguments, DecimalArgumentRows, testing::ValuesIn(kNumberRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RowIndexArgument, IsValidFromZeroToCountLessOne) {
    EXPECT_EQ(RowIndexArgument(QStringLiteral("0"), 3), 0);
    EXPECT_EQ(RowIndexArgument(QStringLiteral("2"), 3), 2);
    EXPECT_EQ(RowIndexArgument(QStringLiteral("3"), 3), std::nullopt);
    EXPECT_EQ(RowIndexArgument(QStringLiteral("-1"), 3), std::nullopt);
    EXPECT_EQ(RowIndexArgument(QStringLiteral("0"), 0), std::nullopt);
    EXPECT_EQ(RowIndexArgument(QStringLiteral("undefined"), 3), std::nullopt);
}

struct FilterRow {
    const char* name;
    const char* filter;
    QStringList expected;
};

class FileDialogFilterRows : public testing::TestWithParam<FilterRow> {};

TEST_P(FileDialogFilterRows, BecomeQtNameFilters) {
    EXPECT_EQ(FileDialogFilters(QString::fromLatin1(GetParam().filter)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Filters, FileDialogFilterRows,
    testing::Values(
        FilterRow{"BackupFilter", "Registry file(*.reg)|*.reg||", {"Registry file(*.reg)"}},
        FilterRow{"RestoreFilter", "Registry File(*.reg)|*.reg||", {"Registry File(*.reg)"}},
        FilterRow{
            "PatternsAdded", "Log file|*.log|All files|*||", {"Log file (*.log)", "All files (*)"}},
        FilterRow{"SeveralPatterns", "Text|*.txt;*.md||", {"Text (*.txt *.md)"}},
        FilterRow{"Empty", "", {}},
        FilterRow{"Unterminated", "Registry file(*.reg)|*.reg", {"Registry file(*.reg)"}}),
    [](const auto& info) { return std::string(info.param.name); });

class ImportParameterRows : public testing::TestWithParam<const char*> {};

TEST_P(ImportParameterRows, CarryThePathAsOneArgument) {
    const std::string path = GetParam();
    const std::string parameters = AdminCommands::ImportParameters(path);
    EXPECT_EQ(SplitParameters(parameters.c_str()), (std::vector<std::string>{"import", path}));
}

INSTANTIATE_TEST_SUITE_P(Paths, ImportParameterRows,
                         testing::Values("/tmp/settings.reg", "/home/alex/My Backups/hook wise.reg",
                                         "/tmp/say \"hello\".reg", "/tmp/back\\slash.reg",
                                         "/tmp/ends with backslash\\", "/tmp/slash\\\"quote.reg",
                                         "/tmp/tab\there.reg", ""));

} // namespace
