// GetEncPrivateProfileString and GetEncPrivateProfileSection over scrambled files, and the
// allocation-free list reader that must give the same answers.
#include "engine/DefinitionList.h"
#include "engine/LSPGlobals.h"
#include "EngineFixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

class EncProfile : public DatabaseTest {
protected:
    unsigned long Read(const char* section, const char* key, const char* defaultText, char* out,
                       unsigned long size) {
        return CLSPGlobals::GetEncPrivateProfileString(section, key, defaultText, out, size,
                                                       dbPath_.c_str());
    }

    // Writes raw bytes as a value, under scrambled section and key names.
    void WriteRawValue(const std::string& section, const std::string& key,
                       const std::string& rawValue) {
        std::ofstream out(dbPath_, std::ios::binary | std::ios::trunc);
        out << "[" << CLSPGlobals::EncryptString(section) << "]\r\n"
            << CLSPGlobals::EncryptString(key) << "=" << rawValue << "\r\n";
    }
};

TEST_F(EncProfile, ReadsAndUnscramblesValue) {
    Write(DefinitionFile().Add("From", "FROM1", "alerts@paypa1-secure.example"));
    char out[261];
    EXPECT_EQ(Read("From", "FROM1", "", out, sizeof out), 28u);
    EXPECT_STREQ(out, "alerts@paypa1-secure.example");
}

TEST_F(EncProfile, NamesAreScrambledNotFolded) {
    // "from" scrambles to other bytes than "From", not to the same bytes in another case.
    Write(DefinitionFile().Add("From", "FROM1", "x"));
    char out[261];
    EXPECT_EQ(Read("from", "FROM1", "", out, sizeof out), 0u);
}

TEST_F(EncProfile, AbsentKeyWithEmptyDefaultGivesNothing) {
    Write(DefinitionFile().Add("From", "FROM1", "x"));
    char out[261];
    std::memset(out, 'X', sizeof out);
    EXPECT_EQ(Read("From", "FROM2", "", out, sizeof out), 0u);
    EXPECT_EQ(out[0], '\0');
}

TEST_F(EncProfile, MissingFileGivesNothing) {
    char out[261];
    std::memset(out, 'X', sizeof out);
    EXPECT_EQ(Read("From", "FROM1", "", out, sizeof out), 0u);
    EXPECT_EQ(out[0], '\0');
}

TEST_F(EncProfile, DefaultIsUnscrambledOnTheWayOut) {
    Write(DefinitionFile().Add("From", "FROM1", "x"));
    char out[261];
    EXPECT_EQ(Read("From", "FROM2", "abc", out, sizeof out), 3u);
    EXPECT_EQ(std::string(out), CLSPGlobals::DecryptString("abc"));
}

TEST_F(EncProfile, SizeAboveWorkBufferIsClamped) {
    Write(DefinitionFile().Add("Text", "TXT1", std::string(300, 'p')));
    std::vector<char> out(1000, 'X');
    EXPECT_EQ(Read("Text", "TXT1", "", out.data(), 1000), 260u);
    EXPECT_EQ(std::string(out.data()), std::string(260, 'p'));
    EXPECT_EQ(out[261], 'X');
}

TEST_F(EncProfile, ValueCutToSizeLessOne) {
    Write(DefinitionFile().Add("HostIP", "IP1", std::string(150, '1')));
    char out[100];
    EXPECT_EQ(Read("HostIP", "IP1", "", out, sizeof out), 99u);
    EXPECT_EQ(std::string(out), std::string(99, '1'));
}

TEST_F(EncProfile, SizeZeroLeavesOutputUntouched) {
    Write(DefinitionFile().Add("From", "FROM1", "x"));
    char out[4] = {'X', 'X', 'X', 'X'};
    EXPECT_EQ(Read("From", "FROM1", "", out, 0), 0u);
    EXPECT_EQ(out[0], 'X');
}

TEST_F(EncProfile, ValueThatUnscramblesToZeroIsCutThere) {
    // '3' at the second position unscrambles to 0: the count is the stored length, the text
    // ends at the zero.
    WriteRawValue("Text", "TXT1",
                  "\x99"
                  "3\x93");
    char out[261];
    std::memset(out, 'X', sizeof out);
    EXPECT_EQ(Read("Text", "TXT1", "", out, sizeof out), 3u);
    EXPECT_STREQ(out, "a");
    EXPECT_EQ(out[2], 'X') << "copied past the first zero";
}

TEST_F(EncProfile, SectionPassesThroughUnscrambled) {
    std::ofstream(dbPath_, std::ios::binary) << "[plain]\r\na=1\r\nb=2\r\n";
    char out[32];
    EXPECT_EQ(CLSPGlobals::GetEncPrivateProfileSection("plain", out, sizeof out, dbPath_.c_str()),
              8u);
    EXPECT_EQ(std::string(out, 9), "a=1\0b=2\0\0"s);
}

TEST_F(EncProfile, ListReaderAgreesWithScrambledRead) {
    DefinitionFile file;
    file.GarbageHeader("\x8F\x12[\xFF\r\x01\n\x9A=;\"'\xEE\x01")
        .List("Link", "CLINK", {"short", std::string(300, 'q'), "null", "MiXeD.Case/Path", "x"})
        .Add("Link", "CLINK7", "after a gap");
    Write(file);
    for (unsigned long size : {100ul, 261ul, 1000ul}) {
        DefinitionList list("Link", "CLINK", size);
        for (unsigned long index = 1; index <= 8; ++index) {
            std::string key = "CLINK" + std::to_string(index);
            char expected[261];
            char actual[261];
            unsigned long n = Read("Link", key.c_str(), "", expected, size);
            EXPECT_EQ(list.Read(index, actual), n) << key << " size " << size;
            EXPECT_STREQ(actual, expected) << key << " size " << size;
        }
    }
}

TEST_F(EncProfile, ListWalkReadsOneVersionOfTheDatabase) {
    Write(DefinitionFile().List("HostIP", "IP", {"10.0.0.1", "10.0.0.2"}));
    DefinitionList walk("HostIP", "IP", 100);
    Write(DefinitionFile().List("HostIP", "IP", {"10.9.9.9"}));
    char value[100];
    EXPECT_EQ(walk.Read(2, value), 8u);
    EXPECT_STREQ(value, "10.0.0.2");
    DefinitionList next("HostIP", "IP", 100);
    EXPECT_EQ(next.Read(1, value), 8u);
    EXPECT_STREQ(value, "10.9.9.9");
    EXPECT_EQ(next.Read(2, value), 0u);
}

} // namespace
