// The platform pieces the tray program starts and ends with: the named mutex, the safe file
// write, starting a program without waiting, and the end-of-session signals.
#include "platform/AtomicFile.h"
#include "platform/LastError.h"
#include "platform/NamedMutex.h"
#include "platform/ShellExecute.h"
#include "platform/TerminationSignal.h"
#include "tests/support/Files.h"
#include "tests/support/WaitUntil.h"
#include "TraySandbox.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

using namespace hookwise::platform;

using namespace traytest;

namespace {

using namespace std::chrono_literals;

using testsupport::ReadFile;

int FilesIn(const std::string& folder) {
    int n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
        ++n;
    return n;
}

// ---- named mutex ----

TEST(NamedMutex, OneOwnerAtATime) {
    TrayFolder folder;
    NamedMutex first;
    EXPECT_EQ(first.Create("Hookwise", true), ERROR_SUCCESS);
    EXPECT_TRUE(first.IsOwned());
    struct stat info {};
    ASSERT_EQ(stat(first.Path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    NamedMutex second;
    EXPECT_EQ(second.Create("Hookwise", true), ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(second.IsOpen());
    EXPECT_FALSE(second.IsOwned());

    // Opening without taking it never conflicts.
    NamedMutex observer;
    EXPECT_EQ(observer.Create("Hookwise", false), ERROR_SUCCESS);

    first.Close();
    EXPECT_EQ(second.Create("Hookwise", true), ERROR_SUCCESS);
    EXPECT_TRUE(second.IsOwned());
    NamedMutex moved = std::move(second);
    EXPECT_TRUE(moved.IsOwned());
    EXPECT_FALSE(second.IsOpen());
}

TEST(NamedMutex, RefusesNamesThatAreNoFileName) {
    TrayFolder folder;
    NamedMutex mutex;
    for (const char* name : {static_cast<const char*>(nullptr), "", ".", "..", "a/b"}) {
        EXPECT_EQ(mutex.Create(name, true), ERROR_INVALID_PARAMETER);
        EXPECT_FALSE(mutex.IsOpen());
    }
}

// ---- safe file write ----

TEST(AtomicFileWriter, CommitReplacesTheTargetWhole) {
    TrayFolder folder;
    const std::string target = folder.Program() + "/hkwdb2.pbd";
    {
        std::ofstream old(target);
        old << "old content that is longer";
    }
    AtomicFileWriter writer;
    ASSERT_EQ(writer.Create(target, 0600), ERROR_SUCCESS);
    ASSERT_EQ(writer.Write("new", 3), ERROR_SUCCESS);
    EXPECT_EQ(ReadFile(target), "old content that is longer"); // readers see the old file
    ASSERT_EQ(writer.Commit(), ERROR_SUCCESS);
    EXPECT_EQ(ReadFile(target), "new");
    struct stat info {};
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(FilesIn(folder.Program()), 1);
}

TEST(AtomicFileWriter, AbandonedWriteLeavesTheTargetAndNoTemporaryFile) {
    TrayFolder folder;
    const std::string target = folder.Program() + "/file";
    {
        AtomicFileWriter writer;
        ASSERT_EQ(writer.Create(target), ERROR_SUCCESS);
        ASSERT_EQ(writer.Write("partial", 7), ERROR_SUCCESS);
        EXPECT_TRUE(std::filesystem::exists(writer.TemporaryPath()));
    }
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_EQ(FilesIn(folder.Program()), 0);
}

TEST(AtomicFileWriter, Failures) {
    TrayFolder folder;
    AtomicFileWriter writer;
    EXPECT_EQ(writer.Write("x", 1), ERROR_INVALID_HANDLE);
    EXPECT_EQ(writer.Commit(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(writer.Create(folder.Path() + "/missing/file"), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(writer.Create(""), ERROR_INVALID_PARAMETER);
    ASSERT_EQ(writer.Create(folder.Program() + "/a"), ERROR_SUCCESS);
    EXPECT_EQ(writer.Create(folder.Program() + "/b"), ERROR_INVALID_PARAMETER);
}

TEST(DeleteFile, RemovesFilesOnly) {
    TrayFolder folder;
    const std::string file = folder.Program() + "/hkwdb2.pbd";
    std::ofstream(file) << "x";
    EXPECT_TRUE(DeleteFileA(file.c_str()));
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_FALSE(DeleteFileA(file.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(DeleteFileA(folder.Program().c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(std::filesystem::exists(folder.Program()));
}

// ---- starting a program ----

struct SplitRow {
    const char* name;
    const char* parameters;
    std::vector<std::string> args;
};

void PrintTo(const SplitRow& row, std::ostream* os) {
    *os << row.name;
}

const SplitRow kSplitRows[] = {
    {"InstallerLine", "-i -w -n HookSwp_lsp", {"-i", "-w", "-n", "HookSwp_lsp"}},
    {"Null", nullptr, {}},
    {"Blanks", "   \t ", {}},
    {"ManyBlanks", "  a   b\tc  ", {"a", "b", "c"}},
    {"QuotedPath", "import \"/tmp/my backup.reg\"", {"import", "/tmp/my backup.reg"}},
    {"EmptyQuotes", "a \"\" b", {"a", "", "b"}},
    {"EscapedQuote", "say \\\"hi\\\"", {"say", "\"hi\""}},
    {"QuoteInsideWord", "ab\"c d\"e", {"abc de"}},
    {"UnclosedQuote", "\"a b", {"a b"}},
};

class SplitParametersTest : public testing::TestWithParam<SplitRow> {};

TEST_P(SplitParametersTest, SplitsAsACommandLine) {
    EXPECT_EQ(SplitParameters(GetParam().parameters), GetParam().args);
}

INSTANTIATE_TEST_SUITE_P(Parameters, SplitParametersTest, testing::ValuesIn(kSplitRows),
                         [](const testing::TestParamInfo<SplitRow>& info) {
                             return std::string(info.param.name);
                         });

// Zombie children of this process.
int Zombies() {
    int zombies = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line))
            continue;
        const std::size_t close = line.rfind(')');
        if (close == std::string::npos)
            continue;
        std::istringstream rest(line.substr(close + 2));
        char state = 0;
        int parent = 0;
        rest >> state >> parent;
        zombies += state == 'Z' && parent == getpid();
    }
    return zombies;
}

TEST(ShellExecute, StartsAProgramWithItsArgumentsWithoutWaitingAndReapsIt) {
    TrayFolder folder;
    const std::string script = folder.Program() + "/provinst";
    const std::string out = folder.Path() + "/args.txt";
    {
        std::ofstream file(script);
        // The program waits for the test to say go (at most ten seconds): a ShellExecuteA that
        // waited for it to end would return only after that, with "late" written instead.
        file << "#!/bin/sh\nfor i in $(seq 1000); do [ -e '" << out << ".go' ] && break; "
             << "sleep 0.01; done\n[ -e '" << out << ".go' ] || printf late > '" << out
             << ".tmp'\nprintf '%s|' \"$@\" >> '" << out << ".tmp'\nmv '" << out << ".tmp' '" << out
             << "'\n";
    }
    chmod(script.c_str(), 0700);

    EXPECT_GT(
        ShellExecuteA(nullptr, "open", script.c_str(), "-i -w -n HookSwp_lsp", nullptr, SW_HIDE),
        32);
    std::ofstream(out + ".go") << "go";
    EXPECT_TRUE(testsupport::WaitUntil([&] { return std::filesystem::exists(out); }));
    EXPECT_EQ(ReadFile(out), "-i|-w|-n|HookSwp_lsp|") << "ShellExecuteA waited for the program";
    EXPECT_TRUE(testsupport::WaitUntil([] { return Zombies() == 0; }))
        << "the child was not reaped";
}

TEST(ShellExecute, Failures) {
    TrayFolder folder;
    EXPECT_EQ(ShellExecuteA(nullptr, "open", (folder.Path() + "/missing").c_str(), nullptr, nullptr,
                            SW_HIDE),
              SE_ERR_FNF);
    EXPECT_EQ(ShellExecuteA(nullptr, "print", "/bin/true", nullptr, nullptr, SW_HIDE),
              SE_ERR_NOASSOC);
    EXPECT_EQ(ShellExecuteA(nullptr, nullptr, "/bin/true", nullptr,
                            (folder.Path() + "/missing").c_str(), SW_HIDE),
              SE_ERR_PNF);
    EXPECT_EQ(ShellExecuteA(nullptr, "open", "", nullptr, nullptr, SW_HIDE), SE_ERR_FNF);
}

// ---- the end-of-session signals ----

TEST(TerminationSignal, ArrivesAsAReadableByte) {
    const int fd = OpenTerminationSignalDescriptor();
    ASSERT_GE(fd, 0);
    EXPECT_EQ(OpenTerminationSignalDescriptor(), fd);
    EXPECT_EQ(TakeTerminationSignal(fd), 0);
    raise(SIGTERM);
    raise(SIGHUP);
    EXPECT_EQ(TakeTerminationSignal(fd), SIGTERM);
    EXPECT_EQ(TakeTerminationSignal(fd), SIGHUP);
    EXPECT_EQ(TakeTerminationSignal(fd), 0);
}

} // namespace
