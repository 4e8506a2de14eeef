// The index file beside the working copy: used only when its header names the working copy as it
// is now, and never followed when it is truncated, damaged or hostile (the walk answers then).
#include "engine/CurrentIndex.h"
#include "engine/DefinitionIndex.h"
#include "engine/LSPGlobals.h"
#include "engine/index/DefinitionIndexBuilder.h"
#include "platform/MappedFile.h"
#include "EngineFixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

using namespace hookwise::platform;

namespace {

using namespace definition_index;

class IndexFile : public DatabaseTest {
protected:
    void TearDown() override {
        DefinitionIndexForget();
        DatabaseTest::TearDown();
    }

    static DefinitionFile Sample() {
        return DefinitionFile()
            .GarbageHeader("\x8f\x12[\xff\r\x01\n\x9a=;\"'\xee\x01")
            .List("HostIP", "IP", {"10.0.0.1", "Evil.Example"})
            .List("HostLink", "HLINK", {"phish.example/login"})
            .List("Link", "CLINK", {"null", "fake-bank.example"})
            .List("Link", "VLINK", {"", "Your Bank"})
            .List("From", "FROM", {"Alerts@Secure.Example"})
            .List("Subject", "SUB", {"verify your account"})
            .List("Text", "TXT", {"confirm your password", "password"});
    }

    std::string IndexPath() const { return IndexPathFor(dbPath_); }

    void BuildIndex() {
        std::string error;
        ASSERT_TRUE(BuildDefinitionIndex(dbPath_, IndexPath(), error)) << error;
    }

    // The index of other definitions, made to name the current working copy.
    std::string ForgedIndex(const DefinitionFile& content) {
        FileStamp stamp;
        EXPECT_TRUE(StampOfFile(dbPath_.c_str(), stamp));
        SourceIdentity source{stamp.size,   stamp.modifiedSeconds, stamp.modifiedNanoseconds,
                              stamp.device, stamp.inode,           0};
        std::string index;
        std::string error;
        EXPECT_TRUE(CompileDefinitionIndex(content.Text(), source, index, error)) << error;
        return index;
    }

    void WriteIndex(const std::string& bytes) {
        std::ofstream out(IndexPath(), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        DefinitionIndexForget();
    }

    static bool IndexInUse() {
        IndexLease lease;
        return lease.View() != nullptr;
    }

    // Every lookup of the sample, as the walk answers it.
    static void ExpectSampleAnswers() {
        char url[261] = "Phish.Example/Login/Step2";
        char matched[261] = "";
        char pattern[261] = "";
        char visible[261] = "";
        EXPECT_TRUE(CLSPGlobals::IsBadIP("EVIL.example"));
        EXPECT_FALSE(CLSPGlobals::IsBadIP("10.0.0.10"));
        EXPECT_TRUE(CLSPGlobals::IsBadUrl(url));
        EXPECT_TRUE(CLSPGlobals::IsBadMailFrom("from: alerts@secure.example"));
        EXPECT_TRUE(CLSPGlobals::IsBadMailSubject("please verify your account"));
        EXPECT_TRUE(CLSPGlobals::IsBadMailText("confirm your password now", matched));
        EXPECT_STREQ(matched, "confirm your password");
        EXPECT_TRUE(CLSPGlobals::IsBadMailText("cpassword", matched)); // leaves a partial match
        EXPECT_STREQ(matched, "password");
        EXPECT_TRUE(CLSPGlobals::IsBadMailLinks("<a href=fake-bank.example>", pattern));
        EXPECT_TRUE(CLSPGlobals::IsBadVisibleMailLinks("<a href=fake-bank.example>your bank</a>",
                                                       visible, pattern));
        EXPECT_STREQ(visible, "Your Bank");
        EXPECT_TRUE(CLSPGlobals::IsBadHostName("www.phish.example"));
    }
};

TEST_F(IndexFile, TheIndexOfTheWorkingCopyAnswersEveryLookup) {
    Write(Sample());
    BuildIndex();
    EXPECT_TRUE(IndexInUse());
    ExpectSampleAnswers();
}

TEST_F(IndexFile, AnIndexNamingTheWorkingCopyIsWhatTheLookupsAnswerFrom) {
    Write(Sample());
    WriteIndex(ForgedIndex(DefinitionFile().List("HostIP", "IP", {"192.0.2.7"})));
    EXPECT_TRUE(IndexInUse());
    EXPECT_TRUE(CLSPGlobals::IsBadIP("192.0.2.7"));
    EXPECT_FALSE(CLSPGlobals::IsBadIP("10.0.0.1"));
}

TEST_F(IndexFile, AReplacedWorkingCopyIsNotAnsweredFromTheOldIndex) {
    Write(Sample());
    BuildIndex();
    ASSERT_TRUE(CLSPGlobals::IsBadIP("10.0.0.1"));
    Write(DefinitionFile().List("HostIP", "IP", {"10.0.0.2"}));
    EXPECT_FALSE(IndexInUse());
    EXPECT_FALSE(CLSPGlobals::IsBadIP("10.0.0.1"));
    EXPECT_TRUE(CLSPGlobals::IsBadIP("10.0.0.2"));
    BuildIndex();
    EXPECT_TRUE(IndexInUse());
    EXPECT_TRUE(CLSPGlobals::IsBadIP("10.0.0.2"));
}

TEST_F(IndexFile, TruncatedIndexesAreIgnored) {
    Write(Sample());
    BuildIndex();
    std::ifstream in(IndexPath(), std::ios::binary);
    std::string whole((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (std::size_t length : {std::size_t(0), std::size_t(7), sizeof(Header) - 1, sizeof(Header),
                               whole.size() / 2, whole.size() - 8}) {
        SCOPED_TRACE(length);
        WriteIndex(whole.substr(0, length));
        EXPECT_FALSE(IndexInUse());
        ExpectSampleAnswers();
    }
}

TEST_F(IndexFile, DamagedHeadersAreIgnored) {
    Write(Sample());
    const std::string good = ForgedIndex(Sample());
    auto damaged = [&](auto change) {
        std::string bytes = good;
        Header header;
        std::memcpy(&header, bytes.data(), sizeof header);
        change(header);
        header.headerChecksum = HeaderChecksum(header);
        std::memcpy(bytes.data(), &header, sizeof header);
        return bytes;
    };
    std::vector<std::string> cases = {
        damaged([](Header& h) { h.formatVersion = kFormatVersion + 1; }),
        damaged([](Header& h) { h.fileSize += 8; }),
        damaged([](Header& h) { h.sections[Pool].offset = h.fileSize; }),
        damaged([](Header& h) { h.sections[WebKeys].size = std::uint64_t(1) << 62; }),
        damaged([](Header& h) { h.sections[IpSlots].offset += 4; }), // misaligned
        damaged([](Header& h) { h.sections[EntriesFirst].size += 3; }),
        damaged([](Header& h) { h.webKeyCount = h.sections[WebKeys].size / 8; }),
        damaged([](Header& h) { h.source.inode ^= 1; }),
    };
    std::string badChecksum = good;
    badChecksum[offsetof(Header, webKeyCount)] ^= 1;
    cases.push_back(badChecksum);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        WriteIndex(cases[i]);
        EXPECT_FALSE(IndexInUse());
        ExpectSampleAnswers();
    }
}

// An index whose header is sound but whose content points outside itself or loops: the lookup that
// finds out answers from the walk, and the index is not used again.
TEST_F(IndexFile, HostileContentIsCaughtDuringTheLookup) {
    Write(Sample());
    const std::string good = ForgedIndex(Sample());
    Header header;
    std::memcpy(&header, good.data(), sizeof header);
    auto at = [&](std::uint32_t section) { return header.sections[section].offset; };

    struct Case {
        const char* name;
        std::uint32_t section; // every 32-bit word of it is overwritten with value
        std::uint32_t value;
    };
    const Case cases[] = {
        {"entries past the pool", EntriesFirst + Ip, 0x7FFFFFFFu},
        {"slots naming no entry", IpSlots, 0x7FFFFFFFu},
        {"web keys in every slot", WebKeys, 0x7FFFFFFFu},
        {"failure states ahead", AutomatonSection(TextAutomaton, Fail), 0x7FFFFFFFu},
        {"root edges to no state", AutomatonSection(TextAutomaton, RootNext), 0x7FFFFFFFu},
        {"link entries past the pool", EntriesFirst + Link, 0x7FFFFFFFu},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string bytes = good;
        for (std::uint64_t s = 0; s + 4 <= header.sections[c.section].size; s += 4)
            std::memcpy(bytes.data() + at(c.section) + s, &c.value, 4);
        WriteIndex(bytes);
        ASSERT_TRUE(IndexInUse());
        ExpectSampleAnswers();
        EXPECT_FALSE(IndexInUse()) << "a damaged index is not used again";
    }
}

} // namespace
