// InitializeAppVars and its helpers: the paths formed from "App Path", the registry key they open
// and close, the handler window lookup and the error text.
#include "engine/LSPGlobals.h"
#include "platform/LastError.h"
#include "platform/Registry.h"
#include "platform/Window.h"
#include "RegistryFixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace hookwise::platform;

namespace {

class EngineState : public RegistryTest {};

TEST_F(EngineState, PathsFormedFromAppPath) {
    SetAppPath("/opt/Prog/Hw");
    EXPECT_TRUE(CLSPGlobals::InitializeAppVars());
    EXPECT_STREQ(CLSPGlobals::szAppPath, "/opt/Prog/Hw");
    EXPECT_STREQ(CLSPGlobals::szDBPath, "/opt/Prog/Hw/hkwdb2.pbd");
    EXPECT_STREQ(CLSPGlobals::szPMailPath, "/opt/Prog/Hw/hkwpm.htm");
    EXPECT_EQ(CLSPGlobals::hAppRegKey, nullptr) << "the key is open only during the call";
}

TEST_F(EngineState, AbsentAppPathGivesRootRelativePaths) {
    EXPECT_TRUE(CLSPGlobals::InitializeAppVars());
    EXPECT_STREQ(CLSPGlobals::szAppPath, "");
    EXPECT_STREQ(CLSPGlobals::szDBPath, "/hkwdb2.pbd");
    EXPECT_STREQ(CLSPGlobals::szPMailPath, "/hkwpm.htm");
}

TEST_F(EngineState, LaterAppPathFillsFolderButNotDerivedPaths) {
    EXPECT_TRUE(CLSPGlobals::InitializeAppVars());
    SetAppPath("/opt/hw");
    EXPECT_TRUE(CLSPGlobals::InitializeAppVars());
    EXPECT_STREQ(CLSPGlobals::szAppPath, "/opt/hw");
    EXPECT_STREQ(CLSPGlobals::szDBPath, "/hkwdb2.pbd");
}

TEST_F(EngineState, SecondCallKeepsPaths) {
    SetAppPath("/opt/first");
    EXPECT_TRUE(CLSPGlobals::InitializeAppVars());
    SetAppPath("/opt/second");
    EXPECT_TRUE(CLSPGlobals::InitializeAppVars());
    EXPECT_STREQ(CLSPGlobals::szAppPath, "/opt/first");
    EXPECT_STREQ(CLSPGlobals::szDBPath, "/opt/first/hkwdb2.pbd");
}

TEST_F(EngineState, CreatesTheApplicationKey) {
    ASSERT_FALSE(AppKeyExists());
    HKEY key = CLSPGlobals::InitializeAppRegKey();
    ASSERT_NE(key, nullptr);
    RegCloseKey(key);
    EXPECT_TRUE(AppKeyExists());
}

TEST_F(EngineState, UnusableRegistryFailsAndKeepsPaths) {
    // A registry file below a regular file can be neither opened nor created.
    std::string blocker = folder_.File("blocker");
    { std::ofstream(blocker) << "x"; }
    setenv("HOOKWISE_REGISTRY", (blocker + "/registry.db").c_str(), 1);
    RegistryReopenForTesting();
    CopyField(CLSPGlobals::szDBPath, "/kept/hkwdb2.pbd");
    EXPECT_FALSE(CLSPGlobals::InitializeAppVars());
    EXPECT_STREQ(CLSPGlobals::szAppPath, "");
    EXPECT_STREQ(CLSPGlobals::szDBPath, "/kept/hkwdb2.pbd");
    EXPECT_STREQ(CLSPGlobals::szPMailPath, "");
    EXPECT_EQ(CLSPGlobals::hAppRegKey, nullptr);
}

TEST_F(EngineState, GetAppPathWithoutKeyIsEmptyAndTouchesNothing) {
    SetAppPath("/opt/hw");
    RegistryReopenForTesting();
    std::string unused = folder_.File("unused.db");
    setenv("HOOKWISE_REGISTRY", unused.c_str(), 1);
    EXPECT_STREQ(CLSPGlobals::GetAppPath(), "");
    EXPECT_FALSE(std::filesystem::exists(unused));
}

// Another process (the tray program saving its settings) holds a write transaction on the
// registry; the engine's set-up only reads an existing key, so it neither waits for the writer's
// 10 s busy time-out nor fails. Both the first call of a process (the store opened anew) and a
// later one are checked.
TEST_F(EngineState, SetUpDoesNotWaitForAnotherProcessWriting) {
    SetAppPath("/opt/hw");
    RegistryReopenForTesting();
    int ready[2];
    int release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    pid_t writer = fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        close(ready[0]);
        close(release[1]);
        RegistryReopenForTesting();
        {
            RegistryTransaction transaction;
            RegKey key;
            bool held = RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Corvane\\Hookwise\\Overview",
                                        0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                        nullptr, key.Put(), nullptr) == ERROR_SUCCESS;
            char state = held ? 'y' : 'n';
            (void)!write(ready[1], &state, 1);
            char done = 0;
            (void)!read(release[0], &done, 1); // until the parent closes its end
            transaction.Commit();
        }
        _exit(0);
    }
    close(ready[1]);
    close(release[0]);
    char state = 0;
    ASSERT_EQ(read(ready[0], &state, 1), 1);
    ASSERT_EQ(state, 'y') << "the writer could not begin its transaction";

    auto started = std::chrono::steady_clock::now();
    bool first = CLSPGlobals::InitializeAppVars();
    ClearEngineState();
    bool again = CLSPGlobals::InitializeAppVars();
    auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started);
    close(release[1]);
    close(ready[0]);
    int status = 0;
    waitpid(writer, &status, 0);

    EXPECT_TRUE(first);
    EXPECT_TRUE(again);
    EXPECT_STREQ(CLSPGlobals::szAppPath, "/opt/hw");
    // Waiting for the writer would take the whole busy time-out of 10 s.
    EXPECT_LT(seconds.count(), 5.0) << "the set-up waited for the writer";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// Folder lengths around the 260-character limit of the paths: a path that would not fit stays
// empty rather than being cut into another file's name.
struct LengthRow {
    const char* name;
    std::size_t folderLength;
    bool dbPathFits;
    bool mailPathFits;
};

const LengthRow kLengthRows[] = {
    {"BothFit", 249, true, true},              // 249 + 11 = 260
    {"OnlyWarningPageFits", 250, false, true}, // 250 + 10 = 260
    {"NeitherFits", 251, false, false},
    {"LongestReadableFolder", 259, false, false}, // 259 + NUL = the 260 bytes read
};

class EnginePathLength : public RegistryTest, public testing::WithParamInterface<LengthRow> {};

TEST_P(EnginePathLength, FormsOnlyPathsThatFit) {
    const LengthRow& row = GetParam();
    std::string folder = '/' + std::string(row.folderLength - 1, 'd');
    SetAppPath(folder);
    EXPECT_TRUE(CLSPGlobals::InitializeAppVars());
    EXPECT_EQ(std::string(CLSPGlobals::szAppPath), folder);
    EXPECT_EQ(std::string(CLSPGlobals::szDBPath), row.dbPathFits ? folder + "/hkwdb2.pbd" : "");
    EXPECT_EQ(std::string(CLSPGlobals::szPMailPath), row.mailPathFits ? folder + "/hkwpm.htm" : "");
}

INSTANTIATE_TEST_SUITE_P(Lengths, EnginePathLength, testing::ValuesIn(kLengthRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(EngineState, AppPathTooLongForItsBufferReadsAsAbsent) {
    SetAppPath("/" + std::string(300, 'd'));
    EXPECT_TRUE(CLSPGlobals::InitializeAppVars());
    EXPECT_STREQ(CLSPGlobals::szAppPath, "");
    EXPECT_STREQ(CLSPGlobals::szDBPath, "/hkwdb2.pbd");
}

// A listening socket where the handler channel lives: the kernel accepts connections for it.
class FakeHandler {
public:
    FakeHandler() {
        std::string path = ChannelPath("Baitguard Server Handler");
        unlink(path.c_str());
        fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        CopyField(address.sun_path, path.c_str());
        EXPECT_EQ(bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << path;
        EXPECT_EQ(listen(fd_, 8), 0);
        path_ = path;
    }
    ~FakeHandler() {
        close(fd_);
        unlink(path_.c_str());
    }

private:
    int fd_ = -1;
    std::string path_;
};

TEST_F(EngineState, HandlerWindowLookedUpOnEveryCall) {
    EXPECT_TRUE(CLSPGlobals::InitializeAppVars());
    EXPECT_EQ(CLSPGlobals::hMainWnd, nullptr);
    {
        FakeHandler handler;
        EXPECT_TRUE(CLSPGlobals::InitializeAppVars());
        EXPECT_NE(CLSPGlobals::hMainWnd, nullptr);
        EXPECT_EQ(WindowCaption(CLSPGlobals::hMainWnd), "Baitguard Server Handler");
    }
    EXPECT_EQ(CLSPGlobals::GetMainWndHandle(), nullptr);
    EXPECT_EQ(CLSPGlobals::hMainWnd, nullptr);
}

TEST(DisplayError, WritesTheSystemTextOfTheLastError) {
    SetLastError(ERROR_ACCESS_DENIED);
    testing::internal::CaptureStderr();
    CLSPGlobals::DisplayError();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Access is denied.\n");
}

} // namespace
