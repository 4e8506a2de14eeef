// The parsed-copy cache: files that are missing, not regular, replaced, rewritten in place or read
// by several threads at once.
#include "platform/Profile.h"
#include "tests/support/WaitUntil.h"
#include "ProfileTestFiles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

std::string Read(const std::string& path, const char* section = "s", const char* key = "k") {
    char out[64];
    DWORD n = GetPrivateProfileStringA(section, key, "missing", out, sizeof out, path.c_str());
    return std::string(out, n);
}

class ProfileFile : public testing::Test {
protected:
    void SetUp() override {
        ProfileCacheClear();
        path_ = folder_.File("defs.ini");
    }
    TempFolder folder_;
    std::string path_;
};

TEST_F(ProfileFile, MissingFileGivesDefault) {
    EXPECT_EQ(Read(path_), "missing");
}

TEST_F(ProfileFile, NullOrEmptyFileNameGivesDefault) {
    char out[16];
    EXPECT_EQ(GetPrivateProfileStringA("s", "k", "d", out, sizeof out, nullptr), 1u);
    EXPECT_STREQ(out, "d");
    EXPECT_EQ(GetPrivateProfileStringA("s", "k", "d", out, sizeof out, ""), 1u);
    EXPECT_STREQ(out, "d");
}

TEST_F(ProfileFile, SizeZeroLeavesBufferUntouched) {
    ReplaceFile(path_, "[s]\nk=v\n");
    char out[4] = {'X', 'X', 'X', 'X'};
    EXPECT_EQ(GetPrivateProfileStringA("s", "k", "d", out, 0, path_.c_str()), 0u);
    EXPECT_EQ(out[0], 'X');
}

TEST_F(ProfileFile, FolderReadsAsMissing) {
    std::string folder = folder_.File("folder.ini");
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    EXPECT_EQ(Read(folder), "missing");
}

TEST_F(ProfileFile, FifoReadsAsMissingWithoutBlocking) {
    std::string fifo = folder_.File("fifo.ini");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(Read(fifo), "missing");
}

TEST_F(ProfileFile, EmptyFileReadsAsEmpty) {
    ReplaceFile(path_, "");
    EXPECT_EQ(Read(path_), "missing");
}

TEST_F(ProfileFile, ReplacedFileSeenAtNextRead) {
    ReplaceFile(path_, "[s]\nk=old\n");
    EXPECT_EQ(Read(path_), "old");
    ReplaceFile(path_, "[s]\nk=new\n");
    EXPECT_EQ(Read(path_), "new");
}

TEST_F(ProfileFile, DeletedFileSeenAtNextRead) {
    ReplaceFile(path_, "[s]\nk=v\n");
    EXPECT_EQ(Read(path_), "v");
    ASSERT_EQ(std::remove(path_.c_str()), 0);
    EXPECT_EQ(Read(path_), "missing");
}

TEST_F(ProfileFile, InPlaceRewriteOfOtherSizeSeen) {
    WriteInPlace(path_, "[s]\nk=old\n");
    EXPECT_EQ(Read(path_), "old");
    WriteInPlace(path_, "[s]\nk=newer\n");
    EXPECT_EQ(Read(path_), "newer");
}

// Sets the file's modification time to an exact value.
void SetModified(const std::string& path, timespec when) {
    timespec times[2] = {when, when};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

TEST_F(ProfileFile, SameSizeRewriteSeenByNanoseconds) {
    WriteInPlace(path_, "[s]\nk=aaa\n");
    SetModified(path_, {1'600'000'000, 500});
    EXPECT_EQ(Read(path_), "aaa");
    WriteInPlace(path_, "[s]\nk=bbb\n");
    SetModified(path_, {1'600'000'000, 501}); // one nanosecond later, nothing else changed
    EXPECT_EQ(Read(path_), "bbb");
}

TEST_F(ProfileFile, SameSizeRewriteWithinOneTickSeenAfterWindow) {
    // A modification time a little ahead of now makes the first copy one that was read within
    // the clock-tick window, whatever the machine's load.
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    timespec stamp = {now.tv_sec, now.tv_nsec};
    stamp.tv_nsec += 200'000'000;
    if (stamp.tv_nsec >= 1'000'000'000) {
        stamp.tv_sec += 1;
        stamp.tv_nsec -= 1'000'000'000;
    }
    WriteInPlace(path_, "[s]\nk=aaa\n");
    SetModified(path_, stamp);
    EXPECT_EQ(Read(path_), "aaa");
    // Rewritten in the same tick: same inode, size and modification time.
    WriteInPlace(path_, "[s]\nk=bbb\n");
    SetModified(path_, stamp);
    EXPECT_TRUE(testsupport::WaitUntil([&] { return Read(path_) == "bbb"; })) << Read(path_);
}

TEST_F(ProfileFile, CopyOfOldFileIsNotReadAgain) {
    // A file last modified long ago is trusted by its identity alone.
    WriteInPlace(path_, "[s]\nk=aaa\n");
    SetModified(path_, {1'600'000'000, 0});
    EXPECT_EQ(Read(path_), "aaa");
    WriteInPlace(path_, "[s]\nk=bbb\n");
    SetModified(path_, {1'600'000'000, 0});
    EXPECT_EQ(Read(path_), "aaa");
}

TEST_F(ProfileFile, ManyFilesEachReadCorrectly) {
    std::vector<std::string> paths;
    for (int i = 0; i < 40; ++i) {
        paths.push_back(folder_.File('f' + std::to_string(i) + ".ini"));
        ReplaceFile(paths.back(), "[s]\nk=" + std::to_string(i) + "\n");
    }
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 40; ++i)
            EXPECT_EQ(Read(paths[static_cast<std::size_t>(i)]), std::to_string(i));
    }
}

TEST_F(ProfileFile, LongValueCutAtBufferSize) {
    std::string value(5000, 'v');
    ReplaceFile(path_, "[s]\nk=" + value + "\n");
    std::vector<char> out(300, 'X');
    DWORD n = GetPrivateProfileStringA("s", "k", "", out.data(), 261, path_.c_str());
    EXPECT_EQ(n, 260u);
    EXPECT_EQ(out[260], '\0');
    EXPECT_EQ(out[261], 'X');
}

TEST_F(ProfileFile, ManyKeysAllFound) {
    std::string text = "[s]\n";
    for (int i = 1; i <= 5000; ++i)
        text += "key" + std::to_string(i) + "=" + std::to_string(i * 7) + "\n";
    ReplaceFile(path_, text);
    for (int i = 1; i <= 5000; ++i)
        ASSERT_EQ(Read(path_, "s", ("KEY" + std::to_string(i)).c_str()), std::to_string(i * 7));
    EXPECT_EQ(Read(path_, "s", "key5001"), "missing");
}

TEST_F(ProfileFile, SnapshotKeepsItsVersionAndNextSnapshotSeesTheNewOne) {
    ReplaceFile(path_, "[s]\nk=old\nj=1\n");
    ProfileSnapshot before(path_.c_str());
    ReplaceFile(path_, "[s]\nk=new\n");
    char out[16];
    EXPECT_EQ(before.GetString("s", "k", "", out, sizeof out), 3u);
    EXPECT_STREQ(out, "old");
    EXPECT_EQ(before.GetString("s", "j", "", out, sizeof out), 1u);
    ProfileSnapshot after(path_.c_str());
    EXPECT_EQ(after.GetString("s", "k", "", out, sizeof out), 3u);
    EXPECT_STREQ(out, "new");
    EXPECT_EQ(after.GetString("s", "j", "d", out, sizeof out), 1u);
    EXPECT_STREQ(out, "d");
}

TEST_F(ProfileFile, SnapshotOfMissingFileFindsNothing) {
    ProfileSnapshot snapshot(path_.c_str());
    char out[16] = "XXXX";
    EXPECT_EQ(snapshot.GetString("s", "k", "dflt  ", out, sizeof out), 4u);
    EXPECT_STREQ(out, "dflt");
    EXPECT_EQ(snapshot.GetString("s", "k", "", out, 0), 0u);
    EXPECT_STREQ(out, "dflt");
}

TEST_F(ProfileFile, ReadersSeeWholeFilesWhileItIsReplaced) {
    // Two versions that differ in every value; a reader must see one of them whole per read.
    auto version = [](char letter) {
        std::string text = "[s]\n";
        for (int i = 0; i < 200; ++i)
            text += 'k' + std::to_string(i) + "=" + std::string(20, letter) + "\n";
        return text;
    };
    const std::string a = version('a');
    const std::string b = version('b');
    ReplaceFile(path_, a);

    std::atomic<bool> stop{false};
    std::atomic<int> bad{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([&, t] {
            while (!stop.load()) {
                std::string key = 'k' + std::to_string(t * 37 % 200);
                std::string v = Read(path_, "s", key.c_str());
                if (v != std::string(20, 'a') && v != std::string(20, 'b'))
                    bad.fetch_add(1);
            }
        });
    }
    for (int i = 0; i < 100; ++i)
        ReplaceFile(path_, i % 2 ? a : b);
    stop.store(true);
    for (std::thread& reader : readers)
        reader.join();
    EXPECT_EQ(bad.load(), 0);
}

} // namespace
