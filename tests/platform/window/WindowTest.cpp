// The runtime folder's safety rules, channel paths, and FindWindowA over a listening socket.
#include "platform/Window.h"

#include "platform/LastError.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        sandbox_ = std::make_unique<testsupport::Sandbox>("window");
        runtime_ = sandbox_->Runtime();
    }
    void TearDown() override {
        for (int fd : sockets_)
            close(fd);
        sandbox_.reset();
    }

    // A Unix socket bound at path; listening unless told otherwise. -1 on failure.
    int Bind(const std::string& path, bool listening = true, int backlog = 8) {
        int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            (listening && listen(fd, backlog) != 0)) {
            close(fd);
            return -1;
        }
        sockets_.push_back(fd);
        return fd;
    }

    static mode_t ModeOf(const std::string& path) {
        struct stat info {};
        return lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 07777;
    }

    std::unique_ptr<testsupport::Sandbox> sandbox_;
    std::string runtime_;
    std::vector<int> sockets_;
};

TEST_F(WindowTest, RuntimeFolderIsCreatedPrivate) {
    std::string folder = RuntimeFolder();
    EXPECT_EQ(folder, runtime_ + "/hookwise");
    EXPECT_EQ(ModeOf(folder), 0700u);
    EXPECT_EQ(RuntimeFolder(), folder);
}

// Without XDG_RUNTIME_DIR the receiving program makes a private folder of an unpredictable name
// (a folder another user made first under a predictable one cannot stand in for it) and names it
// in the user's configuration folder, where senders find it.
TEST_F(WindowTest, WithoutXdgRuntimeDirTheReceiverMakesAPrivateFolderSendersFind) {
    sandbox_->UnsetEnv("XDG_RUNTIME_DIR");
    EXPECT_EQ(RuntimeFolder(), ""); // senders make nothing: no receiver has run yet
    EXPECT_EQ(ChannelPath("Baitguard Server Handler"), "");

    const std::string made = MakeRuntimeFolder();
    ASSERT_EQ(made.rfind("/tmp/hookwise-" + std::to_string(getuid()) + "-", 0), 0u) << made;
    struct Remove {
        std::string path;
        ~Remove() { std::filesystem::remove_all(path); }
    } remove{made};
    EXPECT_EQ(ModeOf(made), 0700u);
    EXPECT_EQ(RuntimeFolder(), made);
    EXPECT_EQ(MakeRuntimeFolder(), made);
    EXPECT_EQ(ModeOf(sandbox_->Home() + "/.config/hookwise/runtime-folder"), 0600u);

    // A named folder that is no longer private is not used; the receiver makes a new one.
    ASSERT_EQ(chmod(made.c_str(), 0755), 0);
    EXPECT_EQ(RuntimeFolder(), "");
    const std::string again = MakeRuntimeFolder();
    Remove removeAgain{again};
    EXPECT_NE(again, made);
    EXPECT_EQ(RuntimeFolder(), again);
}

TEST_F(WindowTest, RuntimeFolderOpenToOthersIsTightened) {
    std::string folder = runtime_ + "/hookwise";
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    ASSERT_EQ(chmod(folder.c_str(), 0777), 0);
    EXPECT_EQ(RuntimeFolder(), folder);
    EXPECT_EQ(ModeOf(folder), 0700u);
}

TEST_F(WindowTest, RuntimeFolderRefusesLinksFilesAndStrangers) {
    std::string folder = runtime_ + "/hookwise";
    std::string elsewhere = runtime_ + "/elsewhere";
    ASSERT_EQ(mkdir(elsewhere.c_str(), 0700), 0);
    ASSERT_EQ(symlink(elsewhere.c_str(), folder.c_str()), 0);
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(RuntimeFolder(), "");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(ChannelPath("Baitguard Server Handler"), "");
    EXPECT_EQ(FindWindowA(nullptr, "Baitguard Server Handler"), nullptr);

    ASSERT_EQ(unlink(folder.c_str()), 0);
    int fd = open(folder.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    close(fd);
    EXPECT_EQ(RuntimeFolder(), "");
    ASSERT_EQ(unlink(folder.c_str()), 0);

    if (geteuid() != 0)
        return; // only root can hand a folder to someone else
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    ASSERT_EQ(chown(folder.c_str(), 65534, 65534), 0);
    EXPECT_EQ(RuntimeFolder(), "");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(WindowTest, ChannelPathNamesOneFileInTheFolder) {
    EXPECT_EQ(ChannelPath("Baitguard Server Handler"),
              runtime_ + "/hookwise/Baitguard Server Handler");
    for (const char* bad : {"", ".", "..", "a/b", "../escape"}) {
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(ChannelPath(bad), "") << bad;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << bad;
    }
    EXPECT_EQ(ChannelPath(nullptr), "");
}

TEST_F(WindowTest, FindWindowNeedsAListeningSocket) {
    const char* caption = "Baitguard Server Handler";
    EXPECT_EQ(FindWindowA(nullptr, caption), nullptr); // nothing there

    int bound = Bind(ChannelPath(caption), false); // a socket file nobody listens on
    ASSERT_GE(bound, 0);
    EXPECT_EQ(FindWindowA(nullptr, caption), nullptr);
    close(bound);
    sockets_.clear();
    unlink(ChannelPath(caption).c_str());

    ASSERT_GE(Bind(ChannelPath(caption)), 0);
    HWND window = FindWindowA(nullptr, caption);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(FindWindowA(nullptr, caption), window);
    EXPECT_EQ(WindowCaption(window), caption);

    ASSERT_GE(Bind(ChannelPath("Other Window")), 0);
    HWND other = FindWindowA(nullptr, "Other Window");
    ASSERT_NE(other, nullptr);
    EXPECT_NE(other, window);
    EXPECT_EQ(WindowCaption(other), "Other Window");

    // The receiver going away makes the caption unfindable; its handle keeps naming it.
    for (int fd : sockets_)
        close(fd);
    sockets_.clear();
    EXPECT_EQ(FindWindowA(nullptr, caption), nullptr);
    EXPECT_EQ(WindowCaption(window), caption);
}

TEST_F(WindowTest, BusyReceiverIsFoundWithoutWaiting) {
    const char* caption = "Busy Handler";
    std::string path = ChannelPath(caption);
    ASSERT_GE(Bind(path, true, 0), 0);
    // Fill the receiver's queue so that a blocking connect would wait for an accept.
    std::vector<int> clients;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    for (int i = 0; i < 16; ++i) {
        int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        clients.push_back(fd);
        if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 &&
            errno == EAGAIN)
            break;
    }
    EXPECT_NE(FindWindowA(nullptr, caption), nullptr);
    for (int fd : clients)
        close(fd);
}

TEST_F(WindowTest, UnknownHandlesHaveNoCaption) {
    EXPECT_EQ(WindowCaption(nullptr), "");
    EXPECT_EQ(WindowCaption(reinterpret_cast<HWND>(std::uintptr_t{0x12})), "");
    EXPECT_EQ(WindowCaption(reinterpret_cast<HWND>(~std::uintptr_t{0})), "");
    std::string tooLong(200, 'w'); // longer than a socket address can hold
    EXPECT_EQ(FindWindowA(nullptr, tooLong.c_str()), nullptr);
}

} // namespace
