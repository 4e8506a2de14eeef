// New definitions without a window: which file start-up deciphers, which new file may replace the
// definitions in use, the index cache at start (reused only for the same definitions), a damaged
// new file refused whole, and how a run of the update program is read.
#include "core/definitions/DefinitionsFiles.h"

#include "core/definitions/LiveUpdateRun.h"
#include "core/definitions/ShippedFile.h"
#include "core/definitions/WorkingCopy.h"
#include "engine/DefinitionIndexFormat.h"
#include "tests/core/tray/TraySandbox.h"
#include "tests/support/Files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <filesystem>
#include <ostream>
#include <random>

#include <sys/stat.h>
#include <utime.h>

using namespace hookwise::core;

namespace {

using testsupport::ReadFile;
using testsupport::WriteFile;

void SetModified(const std::string& path, std::time_t when) {
    utimbuf times{when, when};
    ASSERT_EQ(utime(path.c_str(), &times), 0);
}

// ---- which file ----

struct ChoiceRow {
    const char* name;
    const char* shipped;    // version, or null: no file
    const char* user;       // version ("" without a date), or null: no file
    int userAgeSeconds = 0; // how much older the user's file is than the shipped one (< 0: newer)
    bool takesUser;
};

void PrintTo(const ChoiceRow& row, std::ostream* os) {
    *os << row.name;
}

const ChoiceRow kChoiceRows[] = {
    {.name = "UserNewer", .shipped = "12/01/2026", .user = "01/15/2027", .takesUser = true},
    {.name = "UserOlder", .shipped = "12/01/2026", .user = "11/30/2026", .takesUser = false},
    {.name = "SameDayUserWrittenLater",
     .shipped = "12/01/2026",
     .user = "12/01/2026",
     .userAgeSeconds = -60,
     .takesUser = true},
    {.name = "SameDayUserWrittenEarlier",
     .shipped = "12/01/2026",
     .user = "12/01/2026",
     .userAgeSeconds = 60,
     .takesUser = false},
    {.name = "UserWithoutVersion", .shipped = "12/01/2026", .user = "", .takesUser = false},
    {.name = "NoUserFile", .shipped = "12/01/2026", .user = nullptr, .takesUser = false},
    {.name = "NoShippedFile", .shipped = nullptr, .user = "12/01/2026", .takesUser = true},
    {.name = "YearDecides", .shipped = "12/31/2026", .user = "01/01/2027", .takesUser = true},
};

class DefinitionsChoice : public testing::TestWithParam<ChoiceRow> {
protected:
    traytest::TrayFolder folder_;
};

TEST_P(DefinitionsChoice, TakesTheUsersFileWhenItIsNewer) {
    const ChoiceRow& row = GetParam();
    const std::string shipped = folder_.Program() + "/hkwdb1.pbd";
    const std::string data = folder_.Path() + "/data";
    std::filesystem::create_directories(data);
    const std::string user = data + "/hkwdb1.pbd";
    const std::time_t now = std::time(nullptr);
    if (row.shipped) {
        WriteFile(shipped, BuildShippedFile(row.shipped, "[Link]\r\n"));
        SetModified(shipped, now - 3600);
    }
    if (row.user) {
        WriteFile(user, BuildShippedFile(row.user, "[Link]\r\n"));
        SetModified(user, now - 3600 - row.userAgeSeconds);
    }
    const DefinitionsFile chosen = ChooseDefinitions(shipped, user);
    EXPECT_EQ(chosen.path, row.takesUser ? user : shipped);
    EXPECT_EQ(chosen.version, ReadDefinitionsVersion(chosen.path));
}

INSTANTIATE_TEST_SUITE_P(Files, DefinitionsChoice, testing::ValuesIn(kChoiceRows),
                         [](const testing::TestParamInfo<ChoiceRow>& info) {
                             return std::string(info.param.name);
                         });

TEST(DefinitionsFiles, OneFolderForBothIsTheShippedFile) {
    traytest::TrayFolder folder;
    const std::string shipped = folder.Program() + "/hkwdb1.pbd";
    WriteFile(shipped, BuildShippedFile("12/01/2026", "[Link]\r\n"));
    EXPECT_EQ(ChooseDefinitions(shipped, shipped).path, shipped);
}

TEST(DefinitionsFiles, VersionsCompareByDate) {
    EXPECT_EQ(DefinitionsDate("12/01/2026"), 20261201u);
    EXPECT_EQ(DefinitionsDate("12/01/"), 0u);
    EXPECT_EQ(DefinitionsDate("ab/01/2026"), 0u);
    EXPECT_EQ(DefinitionsDate(""), 0u);
    EXPECT_TRUE(MayReplaceDefinitions("01/01/2027", "12/31/2026"));
    EXPECT_TRUE(MayReplaceDefinitions("12/31/2026", "12/31/2026")); // a second update that day
    EXPECT_FALSE(MayReplaceDefinitions("12/30/2026", "12/31/2026"));
    EXPECT_FALSE(MayReplaceDefinitions("", "12/31/2026"));
    EXPECT_TRUE(MayReplaceDefinitions("12/31/2026", "")); // anything dated beats nothing
    // The watcher's reasons for a file it leaves alone.
    EXPECT_EQ(ReplacementRefusal("/d/hkwdb1.pbd", "01/01/2027", "12/31/2026"), "");
    EXPECT_EQ(ReplacementRefusal("/d/hkwdb1.pbd", "", "12/31/2026"),
              "/d/hkwdb1.pbd carries no definitions version");
    EXPECT_EQ(ReplacementRefusal("/d/hkwdb1.pbd", "12/30/2026", "12/31/2026"),
              "/d/hkwdb1.pbd holds older definitions (12/30/2026) than those in use");
}

// ---- the working copy with the index cache ----

class CachedWorkingCopy : public testing::Test {
protected:
    DecipherOutcome Decipher(const std::string& file, bool requireText = false) {
        DecipherOptions options;
        options.indexPath = index_;
        options.indexCachePath = cache_;
        options.requireDefinitionsText = requireText;
        return DecipherDefinitions(file, working_, ReadDefinitionsVersion(file), options);
    }

    traytest::TrayFolder folder_;
    std::string shipped_ = folder_.Program() + "/hkwdb1.pbd";
    std::string working_ = folder_.Program() + "/hkwdb2.pbd";
    std::string index_ = folder_.Program() + "/hkwdb2.pbi";
    std::string cache_ = folder_.Program() + "/hkwdb1.pbi";
};

TEST_F(CachedWorkingCopy, TheSecondStartWithTheSameDefinitionsReusesTheIndex) {
    WriteFile(shipped_, BuildShippedFile("12/01/2026", "[HostIP]\r\nIP1=192.0.2.11\r\n"));
    const DecipherOutcome first = Decipher(shipped_);
    ASSERT_EQ(first.status, DecipherOutcome::Written);
    EXPECT_FALSE(first.indexReused);
    ASSERT_TRUE(std::filesystem::exists(cache_)) << "the compiled index is kept";
    const std::string compiled = ReadFile(index_);
    std::filesystem::remove(working_); // the end of the run
    std::filesystem::remove(index_);

    const DecipherOutcome second = Decipher(shipped_);
    ASSERT_EQ(second.status, DecipherOutcome::Written);
    EXPECT_TRUE(second.indexReused);
    const std::string reused = ReadFile(index_);
    ASSERT_EQ(reused.size(), compiled.size());
    EXPECT_EQ(reused.substr(sizeof(definition_index::Header)),
              compiled.substr(sizeof(definition_index::Header)));
    definition_index::Header header;
    std::memcpy(&header, reused.data(), sizeof header);
    struct stat info {};
    ASSERT_EQ(stat(working_.c_str(), &info), 0);
    EXPECT_EQ(header.source.inode, static_cast<std::uint64_t>(info.st_ino));
    EXPECT_EQ(header.source.modifiedNanoseconds, info.st_mtim.tv_nsec);
}

TEST_F(CachedWorkingCopy, OtherDefinitionsAreCompiledAndBecomeTheCache) {
    WriteFile(shipped_, BuildShippedFile("12/01/2026", "[HostIP]\r\nIP1=192.0.2.11\r\n"));
    ASSERT_EQ(Decipher(shipped_).status, DecipherOutcome::Written);
    const std::string firstCache = ReadFile(cache_);

    WriteFile(shipped_, BuildShippedFile("12/02/2026", "[HostIP]\r\nIP1=192.0.2.12\r\n"));
    const DecipherOutcome outcome = Decipher(shipped_);
    ASSERT_EQ(outcome.status, DecipherOutcome::Written);
    EXPECT_FALSE(outcome.indexReused);
    EXPECT_NE(ReadFile(cache_), firstCache);
    EXPECT_EQ(ReadFile(cache_), ReadFile(index_));
}

TEST_F(CachedWorkingCopy, ANewFileOfNoiseIsRefusedAndTheDefinitionsInUseStay) {
    WriteFile(shipped_, BuildShippedFile("12/01/2026", "[HostIP]\r\nIP1=192.0.2.11\r\n"));
    ASSERT_EQ(Decipher(shipped_).status, DecipherOutcome::Written);
    const std::string working = ReadFile(working_);
    const std::string index = ReadFile(index_);

    std::mt19937 random(7);
    std::string noise = "12/02/2026    \r\n";
    while (noise.size() < 4096)
        noise += static_cast<char>(random());
    const std::string damaged = folder_.Program() + "/damaged.pbd";
    WriteFile(damaged, noise);
    EXPECT_EQ(Decipher(damaged, true).status, DecipherOutcome::NotDefinitions);
    WriteFile(damaged, noise.substr(0, 4093)); // not whole blocks
    EXPECT_EQ(Decipher(damaged, true).status, DecipherOutcome::CipherRefused);
    // As the program takes a new file while it runs: the reason, the definitions in use stay.
    DecipherOptions options;
    options.indexPath = index_;
    options.indexCachePath = cache_;
    EXPECT_EQ(ReplaceWorkingCopy(damaged, working_, "12/02/2026", options),
              damaged +
                  ": Error Initializing the Application (Err 1003). Incorrect buffer length.");
    WriteFile(damaged, noise);
    EXPECT_EQ(ReplaceWorkingCopy(damaged, working_, "12/02/2026", options),
              damaged + " does not decipher into definitions");
    EXPECT_EQ(ReadFile(working_), working);
    EXPECT_EQ(ReadFile(index_), index);
    EXPECT_TRUE(IsDefinitionsText(working));
}

// ---- a run of the update program ----

TEST(LiveUpdateOutcome, IsReadFromTheExitStatusAndTheLastLine) {
    const std::string progress = "feed 1: 3000 bytes\rfeed 1: 9000 bytes\n";
    LiveUpdateOutcome ok = LiveUpdateOutcomeOf(
        true, "", false, 0, progress + "Updated: 1200 entries, version 12/02/2026\n\n", "");
    EXPECT_TRUE(ok.succeeded);
    EXPECT_EQ(ok.text, "Updated: 1200 entries, version 12/02/2026");

    LiveUpdateOutcome failed = LiveUpdateOutcomeOf(
        true, "", false, 1, progress + "Failed: openphish: HTTP 404\n", "openphish: HTTP 404\n");
    EXPECT_FALSE(failed.succeeded);
    EXPECT_EQ(failed.text, "Failed: openphish: HTTP 404");

    // Without a summary: what it said last on standard error, else how it ended.
    EXPECT_EQ(LiveUpdateOutcomeOf(true, "", false, 2, "", "cannot lock\n").text, "cannot lock");
    EXPECT_EQ(LiveUpdateOutcomeOf(true, "", false, 3, "", "").text,
              "the update program ended with status 3");
    EXPECT_FALSE(LiveUpdateOutcomeOf(true, "", true, 0, "Updated: 1 entries", "").succeeded)
        << "a program killed by a signal did not succeed";
    LiveUpdateOutcome notStarted =
        LiveUpdateOutcomeOf(false, "Permission denied", false, -1, "", "");
    EXPECT_FALSE(notStarted.succeeded);
    EXPECT_EQ(notStarted.text, "Permission denied");
}

TEST(LiveUpdateOutcome, LastTextLine) {
    EXPECT_EQ(LastTextLine(""), "");
    EXPECT_EQ(LastTextLine("one"), "one");
    EXPECT_EQ(LastTextLine("one\ntwo  \n \n"), "two");
    EXPECT_EQ(LastTextLine("50%\r100%\r"), "100%");
}

TEST(LiveUpdateOutcome, AnUpdateAtStartIsDueAfterADay) {
    traytest::TrayFolder folder;
    const std::string file = folder.Program() + "/hkwdb1.pbd";
    const std::string lastRun = folder.Program() + "/last-build";
    const std::time_t now = std::time(nullptr);
    EXPECT_TRUE(IsStartUpdateDue(file, lastRun, now)) << "never updated";
    WriteFile(file, "x");
    SetModified(file, now - 23 * 3600);
    EXPECT_FALSE(IsStartUpdateDue(file, lastRun, now));
    SetModified(file, now - 25 * 3600);
    EXPECT_TRUE(IsStartUpdateDue(file, lastRun, now));
    // A run that found every source unchanged rewrote only its record.
    WriteFile(lastRun, "inputs x\n");
    SetModified(lastRun, now - 3600);
    EXPECT_FALSE(IsStartUpdateDue(file, lastRun, now));
    SetModified(lastRun, now - 25 * 3600);
    EXPECT_TRUE(IsStartUpdateDue(file, lastRun, now));
}

} // namespace
