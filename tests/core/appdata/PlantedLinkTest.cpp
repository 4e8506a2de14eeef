// Files the program writes in its data folder never follow a link planted by someone else, are
// only the user's (0600 files, 0700 folders), and a FIFO in the log file's place hangs nothing.
#include "core/logging/AlertLogStore.h"
#include "core/settings/RegistryExporter.h"
#include "platform/UserFolders.h"
#include "AppDataSandbox.h"

#include <sys/stat.h>
#include <unistd.h>

using namespace hookwise::platform;

using namespace hookwise::core;

namespace {

const SystemTime kMoment{2009, 12, 1, 7, 14, 5, 9, 0};
constexpr char kArchiveName[] = "07_Monday_December_14_05_09.bda";
constexpr char kSecret[] = "a file outside the data folder";

unsigned ModeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

bool IsLink(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

class PlantedLink : public AppDataSandbox {
protected:
    void SetUp() override {
        AppDataSandbox::SetUp();
        outside_ = folder_ + "/outside";
        std::filesystem::create_directories(outside_);
        secret_ = outside_ + "/secret.txt";
        WriteFile(secret_, kSecret);
        store_.LogFilePath = programFolder_ + "/HookWsLOG.log";
    }
    bool Archive() { return store_.ArchiveLog("3, 0, 0, 0", programFolder_, kMoment); }
    std::string Backup() const { return programFolder_ + "/LogBackup"; }
    std::string ArchivePath() const { return Backup() + "/" + kArchiveName; }

    std::string outside_;
    std::string secret_;
    AlertLogStore store_;
};

TEST_F(PlantedLink, ArchivesAreTheUsersOnly) {
    WriteFile(store_.LogFilePath, "log");
    ASSERT_TRUE(Archive());
    EXPECT_EQ(ModeOf(Backup()), 0700u);
    EXPECT_EQ(ModeOf(ArchivePath()), 0600u);

    // An archive folder others may use is tightened.
    chmod(Backup().c_str(), 0777);
    ASSERT_TRUE(Archive());
    EXPECT_EQ(ModeOf(Backup()), 0700u);
}

TEST_F(PlantedLink, LinkAtTheLogFileIsNotCopied) {
    ASSERT_EQ(symlink(secret_.c_str(), store_.LogFilePath.c_str()), 0);
    EXPECT_FALSE(Archive());
    EXPECT_EQ(ReadFile(ArchivePath()), ""); // the empty archive of a log that cannot be read
    EXPECT_EQ(ReadFile(secret_), kSecret);
}

TEST_F(PlantedLink, LinkAtTheArchiveNameIsReplacedNotFollowed) {
    WriteFile(store_.LogFilePath, "log");
    std::filesystem::create_directories(Backup());
    chmod(Backup().c_str(), 0700);
    ASSERT_EQ(symlink(secret_.c_str(), ArchivePath().c_str()), 0);
    ASSERT_TRUE(Archive());
    EXPECT_FALSE(IsLink(ArchivePath()));
    EXPECT_EQ(ModeOf(ArchivePath()), 0600u);
    EXPECT_EQ(ReadFile(secret_), kSecret);
}

TEST_F(PlantedLink, LinkInPlaceOfTheArchiveFolderStopsTheArchive) {
    WriteFile(store_.LogFilePath, "log");
    ASSERT_EQ(symlink(outside_.c_str(), Backup().c_str()), 0);
    EXPECT_FALSE(Archive());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(outside_),
                            std::filesystem::directory_iterator()),
              1); // only the secret: nothing was written through the link
}

TEST_F(PlantedLink, FifoAtTheLogFileHangsNothing) {
    ASSERT_EQ(mkfifo(store_.LogFilePath.c_str(), 0600), 0);
    EXPECT_FALSE(Archive()); // returns at once: nobody ever writes into the FIFO
    EXPECT_EQ(ReadFile(ArchivePath()), "");
}

TEST_F(PlantedLink, ExportReplacesALinkAtItsTargetAndIsTheUsersOnly) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\LinkTest", &key), ERROR_SUCCESS);
    RegSetValueExA(key, "Password", 0, REG_SZ, reinterpret_cast<const BYTE*>("807765"), 7);
    RegCloseKey(key);
    std::string target = programFolder_ + "/backup.reg";
    ASSERT_EQ(symlink(secret_.c_str(), target.c_str()), 0);
    {
        RegistryExporter exporter(target);
        EXPECT_TRUE(exporter.ExportKey(HKEY_CURRENT_USER, "Software\\LinkTest",
                                       "HKEY_CURRENT_USER\\Software\\LinkTest"));
    }
    EXPECT_FALSE(IsLink(target));
    EXPECT_EQ(ModeOf(target), 0600u);
    EXPECT_NE(ReadFile(target).find("807765"), std::string::npos);
    EXPECT_EQ(ReadFile(secret_), kSecret);
}

TEST_F(PlantedLink, PrivateFolderIsMadeTightenedOrRefused) {
    std::string made = folder_ + "/made";
    EXPECT_EQ(MakePrivateFolder(made), PrivateFolderResult::Private);
    EXPECT_EQ(ModeOf(made), 0700u);
    chmod(made.c_str(), 0775);
    EXPECT_EQ(MakePrivateFolder(made), PrivateFolderResult::Tightened);
    EXPECT_EQ(ModeOf(made), 0700u);

    std::string link = folder_ + "/link";
    ASSERT_EQ(symlink(outside_.c_str(), link.c_str()), 0);
    EXPECT_EQ(MakePrivateFolder(link), PrivateFolderResult::Failed);
    std::string file = folder_ + "/file";
    WriteFile(file, "x");
    EXPECT_EQ(MakePrivateFolder(file), PrivateFolderResult::Failed);
}

TEST_F(PlantedLink, GroupWritableProgramFolderLosesItsWriteBits) {
    chmod(programFolder_.c_str(), 0777);
    EXPECT_EQ(ChooseDataFolder(programFolder_), programFolder_);
    EXPECT_EQ(ModeOf(programFolder_), 0755u);
}

} // namespace
