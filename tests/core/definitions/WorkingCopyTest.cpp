// The start-up's working copy: the deciphered file with its index, and every failure of its making
// with the message start-up shows.
#include "core/definitions/WorkingCopy.h"

#include "core/definitions/ShippedFile.h"
#include "engine/DefinitionIndexFormat.h"
#include "tests/core/tray/TraySandbox.h"
#include "tests/support/Files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <vector>

#include <sys/stat.h>

using namespace hookwise::core;

namespace {

using testsupport::ReadFile;
using testsupport::WriteFile;

class WorkingCopy : public testing::Test {
protected:
    traytest::TrayFolder folder_;
    std::string shipped_ = folder_.Program() + "/hkwdb1.pbd";
    std::string working_ = folder_.Program() + "/hkwdb2.pbd";
};

TEST_F(WorkingCopy, IsTheDecipheredFileWithItsFirstLineEnded) {
    const std::string text = "[HostIP]\r\nIP1=192.0.2.11\r\n";
    WriteFile(shipped_, BuildShippedFile("12/31/2006", text));
    ASSERT_EQ(ReadDefinitionsVersion(shipped_), "12/31/2006");

    const DecipherOutcome outcome = DecipherDefinitions(shipped_, working_, "12/31/2006");

    EXPECT_EQ(outcome.status, DecipherOutcome::Written);
    EXPECT_FALSE(outcome.EndsStartup());
    const std::string copy = ReadFile(working_);
    ASSERT_EQ(copy.size(), ReadFile(shipped_).size());
    EXPECT_EQ(copy.substr(14, 2), "\r\n");
    EXPECT_EQ(copy.substr(16, text.size()), text);
    struct stat info {};
    ASSERT_EQ(stat(working_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    // Nothing is left beside it.
    int files = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator(folder_.Program()))
        ++files;
    EXPECT_EQ(files, 2);
}

// The index is written before the working copy is put in place, and names it.
TEST_F(WorkingCopy, ItsIndexIsWrittenBesideIt) {
    const std::string text = "[HostIP]\r\nIP1=192.0.2.11\r\n";
    WriteFile(shipped_, BuildShippedFile("12/31/2006", text));
    const std::string index = folder_.Program() + "/hkwdb2.pbi";
    std::vector<int> steps;
    const DecipherOutcome outcome = DecipherDefinitions(shipped_, working_, "12/31/2006", index,
                                                        [&](int p) { steps.push_back(p); });
    ASSERT_EQ(outcome.status, DecipherOutcome::Written);
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.back(), 100);
    EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end()));
    const std::string bytes = ReadFile(index);
    ASSERT_GE(bytes.size(), sizeof(definition_index::Header));
    definition_index::Header header;
    std::memcpy(&header, bytes.data(), sizeof header);
    struct stat info {};
    ASSERT_EQ(stat(working_.c_str(), &info), 0);
    EXPECT_EQ(header.source.inode, static_cast<std::uint64_t>(info.st_ino));
    EXPECT_EQ(header.source.size, static_cast<std::uint64_t>(info.st_size));
    EXPECT_EQ(header.source.modifiedNanoseconds, info.st_mtim.tv_nsec);
}

TEST_F(WorkingCopy, ReplacesAnEarlierCopy) {
    WriteFile(working_, std::string(100000, 'x'));
    WriteFile(shipped_, BuildShippedFile("12/31/2006", "[Link]\r\n"));
    EXPECT_EQ(DecipherDefinitions(shipped_, working_, "12/31/2006").status,
              DecipherOutcome::Written);
    EXPECT_EQ(ReadFile(working_).size(), 24u);
}

// A valid header in front of a damaged body: the copy is written, and the user is told that the
// definitions are damaged.
TEST_F(WorkingCopy, NoiseBehindAValidHeaderIsWrittenAndReportedAsDamaged) {
    // Noise holds a NUL early; definitions text never does.
    WriteFile(shipped_, BuildShippedFile("12/31/2006", std::string("[Li\0nk]\r\n", 9)));
    const DecipherOutcome outcome = DecipherDefinitions(shipped_, working_, "12/31/2006");
    EXPECT_EQ(outcome.status, DecipherOutcome::Written);
    EXPECT_FALSE(outcome.EndsStartup());
    const std::string problem = DefinitionsProblemOf(outcome, shipped_);
    EXPECT_EQ(problem.rfind("The phishing definitions are damaged:\n" + shipped_ + "\n", 0), 0u)
        << problem;

    WriteFile(shipped_, BuildShippedFile("12/31/2006", "[Link]\r\n"));
    EXPECT_EQ(DefinitionsProblemOf(DecipherDefinitions(shipped_, working_, "12/31/2006"), shipped_),
              "");
}

TEST_F(WorkingCopy, EightByteFileHasNoFirstLineToEnd) {
    WriteFile(shipped_, "12/31/\r\n");
    EXPECT_EQ(DecipherDefinitions(shipped_, working_, "12/31/").status, DecipherOutcome::Written);
    EXPECT_EQ(ReadFile(working_).size(), 8u);
}

struct FailureRow {
    const char* name;
    const char* shippedContent; // null: no shipped file
    const char* version;
    enum Working { InPlace, InMissingFolder, BlockedByFolder } working;
    DecipherOutcome::Status status;
    const char* message;
    bool ends;
};

void PrintTo(const FailureRow& row, std::ostream* os) {
    *os << row.name;
}

const FailureRow kFailureRows[] = {
    {"NoShippedFile", nullptr, "12/31/2006", FailureRow::InPlace, DecipherOutcome::OpenFailed,
     "Error Initializing the Application (Err 1001).", true},
    {"NoVersion", "2006/12/31    \r\n", "", FailureRow::InPlace, DecipherOutcome::NoVersion,
     "Error Initializing the Application (Err 1002).", true},
    {"WorkingCopyCannotBeCreated", "12/31/2006    \r\n", "12/31/2006", FailureRow::InMissingFolder,
     DecipherOutcome::CreateFailed, "Error Initializing the Application (Err 1002).", true},
    // The copy is written, but a folder stands where it must go.
    {"WorkingCopyBlockedByFolder", "12/31/2006    \r\n", "12/31/2006", FailureRow::BlockedByFolder,
     DecipherOutcome::CreateFailed, "Error Initializing the Application (Err 1002).", true},
    {"LengthNotAMultipleOfEight", "12/31/2006    \r\nabc", "12/31/2006", FailureRow::InPlace,
     DecipherOutcome::CipherRefused,
     "Error Initializing the Application (Err 1003). Incorrect buffer length.", true},
    {"EmptyFile", "", "12/31/2006", FailureRow::InPlace, DecipherOutcome::CipherRefused,
     "Error Initializing the Application (Err 1003). Incorrect buffer length.", true},
};

class WorkingCopyFailure : public WorkingCopy, public testing::WithParamInterface<FailureRow> {};

TEST_P(WorkingCopyFailure, GivesItsMessage) {
    const FailureRow& row = GetParam();
    if (row.shippedContent)
        WriteFile(shipped_, row.shippedContent);
    const std::string working = row.working == FailureRow::InMissingFolder
                                    ? folder_.Path() + "/missing/hkwdb2.pbd"
                                    : working_;
    if (row.working == FailureRow::BlockedByFolder)
        std::filesystem::create_directories(working + "/inside");
    const DecipherOutcome outcome = DecipherDefinitions(shipped_, working, row.version);
    EXPECT_EQ(outcome.status, row.status);
    EXPECT_EQ(outcome.message, row.message);
    EXPECT_EQ(outcome.EndsStartup(), row.ends);
    // Nothing of the copy is left: no file in its place, no temporary file beside it.
    EXPECT_EQ(std::filesystem::is_directory(working), row.working == FailureRow::BlockedByFolder);
    EXPECT_FALSE(std::filesystem::is_regular_file(working));
    if (std::filesystem::exists(folder_.Program())) {
        for (const auto& entry : std::filesystem::directory_iterator(folder_.Program()))
            EXPECT_EQ(entry.path().string().find(working + "."), std::string::npos) << entry.path();
    }
}

INSTANTIATE_TEST_SUITE_P(StartUp, WorkingCopyFailure, testing::ValuesIn(kFailureRows),
                         [](const testing::TestParamInfo<FailureRow>& info) {
                             return std::string(info.param.name);
                         });

// A FIFO at the shipped path (nobody writing into it) neither hangs the start nor passes for
// definitions: Err 1002, at once.
TEST_F(WorkingCopy, FifoAtTheShippedPathIsRefusedAtOnce) {
    ASSERT_EQ(mkfifo(shipped_.c_str(), 0600), 0);
    EXPECT_EQ(ReadDefinitionsVersion(shipped_), "");
    const DecipherOutcome outcome = DecipherDefinitions(shipped_, working_, "12/31/2006");
    EXPECT_EQ(outcome.status, DecipherOutcome::NoVersion);
    EXPECT_EQ(outcome.message, "Error Initializing the Application (Err 1002).");
    EXPECT_TRUE(outcome.EndsStartup());
    EXPECT_FALSE(std::filesystem::exists(working_));
}

TEST_F(WorkingCopy, ReadErrorIsShownAndStartUpGoesOn) {
    // A folder opens for reading but cannot be read.
    std::filesystem::create_directories(shipped_);
    const DecipherOutcome outcome = DecipherDefinitions(shipped_, working_, "12/31/2006");
    EXPECT_EQ(outcome.status, DecipherOutcome::FileError);
    EXPECT_FALSE(outcome.EndsStartup());
    EXPECT_EQ(outcome.message.rfind("The file could not be encrypted because of this error: ", 0),
              0u);
    EXPECT_GT(outcome.message.size(), 56u);
    EXPECT_FALSE(std::filesystem::exists(working_));
}

} // namespace
