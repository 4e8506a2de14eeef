// The registry file: where it lives, damaged and unusable files, several processes sharing it.
#include "tests/support/Files.h"
#include "TempRegistry.h"

#include <chrono>
#include <fstream>
#include <thread>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using RegistryFile = TempRegistry;

TEST_F(RegistryFile, VariableChoosesTheFileAndItIsPrivate) {
    EXPECT_STREQ(RegistryFilePath(), file_.c_str());
    RegKey key(Create("Software\\Test"));
    struct stat info {};
    ASSERT_EQ(stat(file_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(RegistryFile, DefaultFileLivesInTheConfigFolder) {
    unsetenv("HOOKWISE_REGISTRY");
    RegistryReopenForTesting();
    std::string config = folder_ + "/config";
    EXPECT_EQ(std::string(RegistryFilePath()), config + "/hookwise/registry.db");
    RegKey key(Create("Software\\Test"));
    ASSERT_TRUE(key);
    struct stat info {};
    ASSERT_EQ(stat((config + "/hookwise").c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(stat((config + "/hookwise/registry.db").c_str(), &info), 0);
}

using testsupport::WriteFile;

using testsupport::ReadFile;

TEST_F(RegistryFile, DamagedFileGivesBadDbAndIsLeftAlone) {
    std::string garbage;
    for (int i = 0; i < 8192; ++i)
        garbage.push_back(static_cast<char>((i * 131 + 7) & 0xff));
    WriteFile(file_, garbage);
    RegistryReopenForTesting();

    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software", &key), ERROR_BADDB);
    EXPECT_EQ(key, nullptr);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key), ERROR_BADDB);
    EXPECT_EQ(RegConnectRegistryA(nullptr, HKEY_CURRENT_USER, &key), ERROR_BADDB);
    BYTE data[8];
    DWORD size = sizeof data;
    EXPECT_EQ(RegQueryValueExA(HKEY_CURRENT_USER, "V", nullptr, nullptr, data, &size), ERROR_BADDB);
    EXPECT_EQ(RegSetValueExA(HKEY_CURRENT_USER, "V", 0, REG_BINARY, data, 4), ERROR_BADDB);
    char name[8];
    EXPECT_EQ(RegEnumKeyA(HKEY_CURRENT_USER, 0, name, sizeof name), ERROR_BADDB);
    EXPECT_EQ(ReadFile(file_), garbage) << "a damaged registry must not be overwritten";

    // Once the file is usable again the next call opens it.
    std::remove(file_.c_str());
    RegKey fresh(Create("Software"));
    EXPECT_TRUE(fresh);
}

struct DamageRow {
    const char* label;
    std::size_t offset; // where garbage overwrites the file
    std::size_t length;
    std::size_t truncateTo; // 0: keep the size
};

const DamageRow kDamageRows[] = {
    {"Header", 0, 100, 0},
    {"FirstPageBody", 100, 3996, 0},
    {"LaterPages", 4096, 1 << 20, 0},
    {"Truncated", 0, 0, 1000},
};

class DamagedRegistry : public TempRegistry, public ::testing::WithParamInterface<DamageRow> {};

// Whatever part of the file is damaged, every call answers with a code and nothing crashes.
TEST_P(DamagedRegistry, CallsGiveCodesNeverCrashes) {
    {
        RegistryTransaction transaction;
        RegKey key(Create("Software\\Corvane\\Hookwise"));
        for (int i = 0; i < 200; ++i)
            ASSERT_EQ(
                SetString(key.Get(), ("Value" + std::to_string(i)).c_str(), std::string(100, 'v')),
                ERROR_SUCCESS);
        ASSERT_EQ(transaction.Commit(), ERROR_SUCCESS);
    }
    RegistryReopenForTesting();
    std::string bytes = ReadFile(file_);
    const DamageRow& row = GetParam();
    for (std::size_t i = row.offset; i < row.offset + row.length && i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((i * 7919) >> 3);
    if (row.truncateTo != 0)
        bytes.resize(row.truncateTo);
    WriteFile(file_, bytes);

    auto acceptable = [](LONG rc) {
        return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND || rc == ERROR_BADDB ||
               rc == ERROR_CANTREAD || rc == ERROR_CANTWRITE || rc == ERROR_KEY_DELETED ||
               rc == ERROR_NO_MORE_ITEMS;
    };
    RegKey key;
    LONG rc = RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Corvane\\Hookwise", key.Put());
    EXPECT_TRUE(acceptable(rc)) << rc;
    HKEY target = rc == ERROR_SUCCESS ? key.Get() : HKEY_CURRENT_USER;
    BYTE data[256];
    DWORD size = sizeof data;
    EXPECT_TRUE(acceptable(RegQueryValueExA(target, "Value7", nullptr, nullptr, data, &size)));
    for (DWORD i = 0; i < 300; ++i) {
        char name[64];
        DWORD nameSize = sizeof name;
        size = sizeof data;
        rc = RegEnumValueA(target, i, name, &nameSize, nullptr, nullptr, data, &size);
        EXPECT_TRUE(acceptable(rc)) << rc;
        if (rc != ERROR_SUCCESS)
            break;
    }
    EXPECT_TRUE(acceptable(SetString(target, "New", "x")));
    EXPECT_TRUE(acceptable(SHDeleteKeyA(HKEY_CURRENT_USER, "Software")));
}

INSTANTIATE_TEST_SUITE_P(Registry, DamagedRegistry, ::testing::ValuesIn(kDamageRows),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(RegistryFile, DatabaseOfAnotherFormatGivesBadDb) {
    { RegKey key(Create("Software")); }
    RegistryReopenForTesting();
    // A newer schema than this program knows.
    std::string command = "sqlite3 '" + file_ + "' 'PRAGMA user_version=99' 2>/dev/null";
    if (std::system(command.c_str()) != 0)
        GTEST_SKIP() << "the sqlite3 program is not installed";
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software", &key), ERROR_BADDB);
}

TEST_F(RegistryFile, MissingFolderGivesCantOpen) {
    setenv("HOOKWISE_REGISTRY", (folder_ + "/absent/registry.db").c_str(), 1);
    RegistryReopenForTesting();
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software", &key), ERROR_CANTOPEN);
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software", &key), ERROR_CANTOPEN);
}

TEST_F(RegistryFile, ReadOnlyFileReadsButRefusesWrites) {
    if (geteuid() == 0)
        GTEST_SKIP() << "file modes do not bind root";
    {
        RegKey key(Create("Software\\Test"));
        ASSERT_EQ(SetString(key.Get(), "V", "kept"), ERROR_SUCCESS);
    }
    RegistryReopenForTesting();
    ASSERT_EQ(chmod(file_.c_str(), 0400), 0);
    RegKey key;
    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Test", key.Put()), ERROR_SUCCESS);
    EXPECT_EQ(Read(key.Get(), "V"), "kept");
    EXPECT_EQ(SetString(key.Get(), "V", "changed"), ERROR_CANTWRITE);
    RegKey created;
    EXPECT_EQ(RegCreateKeyA(key.Get(), "New", created.Put()), ERROR_CANTWRITE);
    EXPECT_EQ(Read(key.Get(), "V"), "kept");
    chmod(file_.c_str(), 0600);
}

// The child's side of a two-process test: runs `body`, sends each result over the pipe as one
// LONG, and never returns into the test runner.
template <typename Body> pid_t Child(int pipeOut, int pipeIn, Body body) {
    pid_t pid = fork();
    if (pid != 0)
        return pid;
    auto send = [&](LONG value) {
        if (write(pipeOut, &value, sizeof value) != sizeof value)
            _exit(3);
    };
    auto wait = [&] {
        char go = 0;
        if (read(pipeIn, &go, 1) != 1)
            _exit(4);
    };
    body(send, wait);
    _exit(0);
}

LONG Receive(int fd) {
    LONG value = -1;
    if (read(fd, &value, sizeof value) != sizeof value)
        return -2;
    return value;
}

// Reads value "V" of HKCU\Software\Shared in a 4-byte buffer as a number, or -(error).
LONG ReadShared() {
    RegKey key;
    LONG rc = RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Shared", key.Put());
    if (rc != ERROR_SUCCESS)
        return -rc;
    DWORD value = 0;
    DWORD size = sizeof value;
    rc = RegQueryValueExA(key.Get(), "V", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
    return rc == ERROR_SUCCESS ? static_cast<LONG>(value) : -rc;
}

LONG WriteShared(const char* name, DWORD value) {
    RegKey key;
    LONG rc = RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Shared", key.Put());
    if (rc != ERROR_SUCCESS)
        return rc;
    return RegSetValueExA(key.Get(), name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(&value),
                          sizeof value);
}

TEST_F(RegistryFile, AnotherProcessReadsWhileThisOneWrites) {
    ASSERT_EQ(WriteShared("V", 1), ERROR_SUCCESS);
    int toParent[2];
    int toChild[2];
    ASSERT_EQ(pipe(toParent), 0);
    ASSERT_EQ(pipe(toChild), 0);
    RegistryReopenForTesting(); // the child must not share this process's connection

    pid_t pid = Child(toParent[1], toChild[0], [](auto send, auto wait) {
        wait();                            // the parent's transaction is open
        send(ReadShared());                // reading is not blocked by it: the committed 1
        send(WriteShared("FromChild", 7)); // waits for the parent's commit, then succeeds
        wait();
        send(ReadShared()); // the parent's commit is visible
    });
    ASSERT_GT(pid, 0);

    {
        RegistryTransaction transaction;
        ASSERT_EQ(WriteShared("V", 2), ERROR_SUCCESS);
        ASSERT_EQ(write(toChild[1], "g", 1), 1);
        EXPECT_EQ(Receive(toParent[0]), 1);
        // Give the child's write time to run into the lock this transaction holds.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_EQ(transaction.Commit(), ERROR_SUCCESS);
    }
    EXPECT_EQ(Receive(toParent[0]), ERROR_SUCCESS);
    ASSERT_EQ(write(toChild[1], "g", 1), 1);
    EXPECT_EQ(Receive(toParent[0]), 2);

    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    RegKey key;
    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Shared", key.Put()), ERROR_SUCCESS);
    EXPECT_EQ(Read(key.Get(), "FromChild"), std::string("\x07\0\0\0", 4));
    for (int fd : {toParent[0], toParent[1], toChild[0], toChild[1]})
        close(fd);
}

TEST_F(RegistryFile, ForkedChildOpensItsOwnConnection) {
    // The connection is open in this process when it forks, as in a program that starts a helper.
    ASSERT_EQ(WriteShared("V", 5), ERROR_SUCCESS);
    int toParent[2];
    ASSERT_EQ(pipe(toParent), 0);
    pid_t pid = Child(toParent[1], -1, [](auto send, auto) {
        send(ReadShared());
        send(WriteShared("V", 6));
    });
    ASSERT_GT(pid, 0);
    EXPECT_EQ(Receive(toParent[0]), 5);
    EXPECT_EQ(Receive(toParent[0]), ERROR_SUCCESS);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(ReadShared(), 6);
    close(toParent[0]);
    close(toParent[1]);
}

} // namespace
