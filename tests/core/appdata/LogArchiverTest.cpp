// The log file archive: file name, header lines, the block copy and its failures.
#include "core/logging/LogArchiver.h"

#include "core/logging/AlertLogStore.h"
#include "AppDataSandbox.h"

#include <ostream>

using namespace hookwise::core;

namespace {

const SystemTime kMoment{2009, 12, 1, 7, 14, 5, 9, 0};

class LogArchive : public AppDataSandbox {
protected:
    std::string ArchivePath() {
        return programFolder_ + "/LogBackup/07_Monday_December_14_05_09.bda";
    }
    std::string Header() {
        return "Appliction Name: Hookwise\r\nVersion: 3, 0, 0, 0\r\nFile Name: "
               "07_Monday_December_14_05_09.bda\r\n";
    }
};

TEST(ArchiveFileName, IsTheDatedName) {
    EXPECT_EQ(ArchiveFileName(kMoment), "07_Monday_December_14_05_09.bda");
}

struct SizeRow {
    const char* name;
    std::size_t size;
};

void PrintTo(const SizeRow& row, std::ostream* os) {
    *os << row.name;
}

const SizeRow kSizes[] = {{"Empty", 0},       {"Short", 7},    {"OneBlock", 200},
                          {"TwoBlocks", 400}, {"Uneven", 401}, {"Large", 100003}};

class LogSizes : public LogArchive, public ::testing::WithParamInterface<SizeRow> {};

TEST_P(LogSizes, CopiesTheWholeLogBehindTheHeader) {
    std::string log;
    for (std::size_t i = 0; i < GetParam().size; ++i)
        log += static_cast<char>(i * 7 % 256);
    AlertLogStore store;
    store.LogFilePath = folder_ + "/HookWsLOG.log";
    WriteFile(store.LogFilePath, log);
    ASSERT_TRUE(store.ArchiveLog("3, 0, 0, 0", programFolder_, kMoment));
    EXPECT_EQ(ReadFile(ArchivePath()), Header() + log);
    EXPECT_EQ(ReadFile(store.LogFilePath), log); // the log itself is left as it was
}

INSTANTIATE_TEST_SUITE_P(Logs, LogSizes, ::testing::ValuesIn(kSizes),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(LogArchive, AMissingLogLeavesAnEmptyArchive) {
    AlertLogStore store;
    store.LogFilePath = folder_ + "/absent.log";
    EXPECT_FALSE(store.ArchiveLog("3, 0, 0, 0", programFolder_, kMoment));
    ASSERT_TRUE(std::filesystem::exists(ArchivePath()));
    EXPECT_EQ(std::filesystem::file_size(ArchivePath()), 0u);
}

TEST_F(LogArchive, TheSameSecondReplacesTheEarlierArchive) {
    AlertLogStore store;
    store.LogFilePath = folder_ + "/HookWsLOG.log";
    WriteFile(store.LogFilePath, "a much longer first log text");
    ASSERT_TRUE(store.ArchiveLog("3, 0, 0, 0", programFolder_, kMoment));
    WriteFile(store.LogFilePath, "short");
    ASSERT_TRUE(store.ArchiveLog("3, 0, 0, 0", programFolder_, kMoment));
    EXPECT_EQ(ReadFile(ArchivePath()), Header() + "short");
}

TEST_F(LogArchive, AnArchiveThatCannotBeCreatedStopsSilently) {
    AlertLogStore store;
    store.LogFilePath = folder_ + "/HookWsLOG.log";
    WriteFile(store.LogFilePath, "x");
    WriteFile(programFolder_ + "/LogBackup", "a file where the folder should be");
    EXPECT_FALSE(store.ArchiveLog("3, 0, 0, 0", programFolder_, kMoment));
    LogArchiver archiver(folder_ + "/no/such/folder/a.bda");
    EXPECT_FALSE(archiver.IsOpen());
    EXPECT_FALSE(archiver.Copy(store.LogFilePath, "t", "v"));
}

TEST_F(LogArchive, TheTitleFollowsTheLanguage) {
    WriteFile(LanguagePackPath("Test"), "[sgsMsWkooH]\r\n896128=*tfahcstraW\r\n");
    SetCurrentLanguage("Test");
    AlertLogStore store;
    store.LogFilePath = folder_ + "/HookWsLOG.log";
    WriteFile(store.LogFilePath, "");
    ASSERT_TRUE(store.ArchiveLog("v", programFolder_, kMoment));
    EXPECT_EQ(ReadFile(ArchivePath()).rfind("Appliction Name: Wartschaft\r\nVersion: v\r\n", 0),
              0u);
}

} // namespace
