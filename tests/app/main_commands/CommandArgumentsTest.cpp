// The file dialog filters the administration commands give, as Qt name filters, without a window.
// (The argument rules of the commands are tested in core, tests/core/tray/TrayCommandsTest.cpp.)
#include "app/AdminCommands.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <string>

using namespace hookwise::app;

namespace {

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

} // namespace
