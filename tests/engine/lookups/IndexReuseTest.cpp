// Reusing an index cache for a new working copy: only for the very same definitions bytes, the
// same well-known sites and a whole index of this format; the reused index is then the one the
// lookups answer from. Anything else leaves the index in place untouched.
#include "engine/index/IndexReuse.h"

#include "engine/CurrentIndex.h"
#include "engine/DefinitionIndex.h"
#include "engine/LSPGlobals.h"
#include "engine/index/DefinitionIndexBuilder.h"
#include "platform/MappedFile.h"
#include "EngineFixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

using namespace hookwise::platform;

namespace {

using namespace definition_index;

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

Header HeaderOf(const std::string& index) {
    Header header{};
    std::memcpy(&header, index.data(), sizeof header);
    return header;
}

class IndexReuseTest : public DatabaseTest {
protected:
    void TearDown() override {
        DefinitionIndexForget();
        DatabaseTest::TearDown();
    }

    static DefinitionFile Sample(const char* listedHost = "phish.example/login") {
        return DefinitionFile()
            .List("HostIP", "IP", {"10.0.0.1"})
            .List("HostLink", "HLINK", {listedHost})
            .List("From", "FROM", {"alerts@secure.example"});
    }

    std::string Cache() const { return folder_.File("hkwdb1.pbi"); }
    std::string Index() const { return IndexPathFor(dbPath_); }

    // The cache as the update program writes it: compiled from the bytes alone, with no file
    // identity but the checksum.
    void WriteCacheOf(const DefinitionFile& file) {
        std::string index, error;
        ASSERT_TRUE(CompileDefinitionIndex(file.Text(), SourceIdentity{}, index, error)) << error;
        WriteBytes(Cache(), index);
    }

    IndexReuse Reuse(const DefinitionFile& file) {
        return ReuseDefinitionIndex(Cache(), file.Text(), dbPath_, Index(),
                                    CurrentWellKnownChecksum());
    }

    // Changes the cache's bytes with edit and reuses it for the sample; the index in place must
    // stay as it was.
    IndexReuse ReuseEdited(const std::function<void(std::string&)>& edit) {
        std::string cache = ReadBytes(Cache());
        edit(cache);
        WriteBytes(Cache(), cache);
        const IndexReuse result = Reuse(Sample());
        EXPECT_EQ(ReadBytes(Index()), "the index in place") << IndexReuseText(result);
        return result;
    }

    static void SealHeader(std::string& index) {
        Header header = HeaderOf(index);
        header.headerChecksum = HeaderChecksum(header);
        std::memcpy(index.data(), &header, sizeof header);
    }
};

TEST_F(IndexReuseTest, TheCacheOfTheSameBytesBecomesTheIndexOfTheNewWorkingCopy) {
    Write(Sample());
    WriteCacheOf(Sample());
    ASSERT_EQ(Reuse(Sample()), IndexReuse::Reused);

    const std::string cache = ReadBytes(Cache());
    const std::string index = ReadBytes(Index());
    ASSERT_EQ(index.size(), cache.size());
    // Everything but the tie to the working copy is copied.
    EXPECT_EQ(index.substr(sizeof(Header)), cache.substr(sizeof(Header)));
    FileStamp stamp;
    ASSERT_TRUE(StampOfFile(dbPath_.c_str(), stamp));
    const Header header = HeaderOf(index);
    EXPECT_EQ(header.source.inode, stamp.inode);
    EXPECT_EQ(header.source.size, stamp.size);
    EXPECT_EQ(header.source.modifiedNanoseconds, stamp.modifiedNanoseconds);
    EXPECT_EQ(header.source.checksum, DefinitionsChecksum(Sample().Text()));

    // The engine takes it as the working copy's index and answers from it.
    IndexLease lease;
    ASSERT_NE(lease.View(), nullptr);
    char url[261] = "https://phish.example/login/next";
    EXPECT_TRUE(CLSPGlobals::IsBadUrl(url));
    EXPECT_TRUE(CLSPGlobals::IsBadIP("10.0.0.1"));
}

TEST_F(IndexReuseTest, AKeptIndexIsReusedForTheNextStartsCopyOfTheSameDefinitions) {
    Write(Sample());
    std::string error;
    ASSERT_TRUE(WriteDefinitionIndex(Sample().Text(), dbPath_, Index(), error)) << error;
    ASSERT_TRUE(KeepIndexAsCache(Index(), Cache()));
    // The program ends: its working copy and index go, the cache stays.
    std::filesystem::remove(Index());
    std::filesystem::remove(dbPath_);
    ASSERT_TRUE(std::filesystem::exists(Cache()));

    Write(Sample()); // a new file: another inode and time
    EXPECT_EQ(Reuse(Sample()), IndexReuse::Reused);
    IndexLease lease;
    EXPECT_NE(lease.View(), nullptr);
}

TEST_F(IndexReuseTest, NeverReusedForOtherDefinitions) {
    Write(Sample());
    WriteCacheOf(Sample("other.example/login"));
    WriteBytes(Index(), "the index in place");
    EXPECT_EQ(Reuse(Sample()), IndexReuse::OtherDefinitions);
    EXPECT_EQ(ReadBytes(Index()), "the index in place");

    // Same size, one byte apart.
    WriteCacheOf(Sample("phish.example/logim"));
    EXPECT_EQ(Reuse(Sample()), IndexReuse::OtherDefinitions);
    EXPECT_EQ(ReadBytes(Index()), "the index in place");
}

TEST_F(IndexReuseTest, NeverReusedWithOtherWellKnownSites) {
    Write(Sample());
    WriteCacheOf(Sample());
    WriteBytes(Index(), "the index in place");
    EXPECT_EQ(ReuseDefinitionIndex(Cache(), Sample().Text(), dbPath_, Index(),
                                   CurrentWellKnownChecksum() + 1),
              IndexReuse::OtherWellKnownSites);
    EXPECT_EQ(ReadBytes(Index()), "the index in place");
}

TEST_F(IndexReuseTest, NeverReusedFromADamagedOrForeignCache) {
    Write(Sample());
    WriteBytes(Index(), "the index in place");
    WriteCacheOf(Sample());
    const std::string good = ReadBytes(Cache());
    auto reset = [&] { WriteBytes(Cache(), good); };

    EXPECT_EQ(ReuseEdited([](std::string& c) { c.resize(c.size() - 8); }), IndexReuse::Damaged);
    reset();
    EXPECT_EQ(ReuseEdited([](std::string& c) { c.resize(sizeof(Header) - 1); }),
              IndexReuse::Damaged);
    reset();
    EXPECT_EQ(ReuseEdited([](std::string& c) { c += std::string(8, '\0'); }), IndexReuse::Damaged);
    reset();
    EXPECT_EQ(ReuseEdited([](std::string& c) { c[0] = 'X'; }), IndexReuse::Damaged);
    reset();
    // A flipped bit in the header breaks its checksum.
    EXPECT_EQ(ReuseEdited([](std::string& c) { c[offsetof(Header, webKeyCount)] ^= 1; }),
              IndexReuse::Damaged);
    reset();
    // A section reaching past the end, with the header's checksum made to fit.
    EXPECT_EQ(ReuseEdited([](std::string& c) {
                  Header header = HeaderOf(c);
                  header.sections[Pool].size = header.fileSize;
                  std::memcpy(c.data(), &header, sizeof header);
                  SealHeader(c);
              }),
              IndexReuse::Damaged);
    reset();
    EXPECT_EQ(ReuseEdited([](std::string& c) {
                  Header header = HeaderOf(c);
                  header.formatVersion = kFormatVersion + 1;
                  std::memcpy(c.data(), &header, sizeof header);
                  SealHeader(c);
              }),
              IndexReuse::OtherFormat);
    reset();
    EXPECT_EQ(ReuseEdited([](std::string& c) { c = "not an index at all"; }), IndexReuse::Damaged);

    std::filesystem::remove(Cache());
    EXPECT_EQ(Reuse(Sample()), IndexReuse::NoCache);
    EXPECT_EQ(ReadBytes(Index()), "the index in place");
}

TEST_F(IndexReuseTest, AWorkingCopyThatIsNotTheGivenBytesGetsNoIndex) {
    Write(Sample());
    WriteCacheOf(DefinitionFile(Sample()).List("Subject", "SUB", {"x"}));
    EXPECT_EQ(ReuseDefinitionIndex(Cache(),
                                   DefinitionFile(Sample()).List("Subject", "SUB", {"x"}).Text(),
                                   dbPath_, Index(), CurrentWellKnownChecksum()),
              IndexReuse::NoWorkingCopy);
    EXPECT_FALSE(std::filesystem::exists(Index()));
}

TEST_F(IndexReuseTest, KeepingTheIndexReplacesTheCacheWhole) {
    Write(Sample());
    WriteBytes(Cache(), "an older cache");
    std::string error;
    ASSERT_TRUE(WriteDefinitionIndex(Sample().Text(), dbPath_, Index(), error)) << error;
    ASSERT_TRUE(KeepIndexAsCache(Index(), Cache()));
    EXPECT_EQ(ReadBytes(Cache()), ReadBytes(Index()));
    EXPECT_FALSE(KeepIndexAsCache(folder_.File("missing.pbi"), Cache()));
    EXPECT_EQ(ReadBytes(Cache()), ReadBytes(Index()));
}

} // namespace
