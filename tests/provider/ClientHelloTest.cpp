// The ClientHello reader on its own: whole, split over writes and records, truncated, oversized,
// malformed and non-TLS first writes; and the per-socket state that carries a split ClientHello
// and a refusal from one write to the next.
#include "provider/ClientHello.h"

#include "provider/SocketStates.h"
#include "tests/provider/ClientHelloBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>

#include <sys/socket.h>
#include <unistd.h>

using namespace hookwise::provider;
using providertest::Bytes;
using providertest::ClientHello;
using providertest::Extension;
using providertest::HandshakeMessage;
using providertest::InRecords;
using providertest::ServerNameExtension;
using providertest::TypicalExtensions;

namespace {

const char* ScanName(HelloScan scan) {
    switch (scan) {
    case HelloScan::NotClientHello:
        return "NotClientHello";
    case HelloScan::Incomplete:
        return "Incomplete";
    case HelloScan::ServerName:
        return "ServerName";
    case HelloScan::NoServerName:
        return "NoServerName";
    }
    return "?";
}

struct Scanned {
    HelloScan scan;
    std::string name;
};

Scanned Scan(const Bytes& bytes) {
    char name[kServerNameSize];
    std::memset(name, 'x', sizeof name);
    HelloScan scan = ScanClientHello(bytes.data(), bytes.size(), name);
    return {scan, name};
}

Bytes Text(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// ---- whole first writes, good and bad ----

struct ScanRow {
    const char* name;
    Bytes bytes;
    HelloScan scan;
    std::string serverName; // expected in name (empty for every other result)
};

void PrintTo(const ScanRow& row, std::ostream* os) {
    *os << row.name;
}

Bytes WithByte(Bytes bytes, std::size_t at, std::uint8_t value) {
    bytes[at] = value;
    return bytes;
}

// Offsets in a ClientHello of InRecords(HandshakeMessage(...)): 5 record header, 4 handshake
// header, 2 version, 32 random, then the session id's length.
constexpr std::size_t kSessionIdLength = 5 + 4 + 2 + 32;

std::vector<ScanRow> ScanRows() {
    const Bytes hello = ClientHello("www.Evil.Example");
    std::string longest(253, 'a');
    longest[100] = '.';
    std::vector<ScanRow> rows = {
        {"NameTakenLowerCased", hello, HelloScan::ServerName, "www.evil.example"},
        {"NameOf253CharactersWithItsDot", ClientHello(longest + "."), HelloScan::ServerName,
         longest + "."},
        {"NameTooLong", ClientHello(longest + "ab"), HelloScan::NoServerName, ""},
        {"NameWithNul", ClientHello(std::string("evil\0.example", 13)), HelloScan::NoServerName,
         ""},
        {"NameWithBlank", ClientHello("evil example"), HelloScan::NoServerName, ""},
        {"NameNotAscii", ClientHello("\xc3\xa9vil.example"), HelloScan::NoServerName, ""},
        {"EmptyName", ClientHello(""), HelloScan::NoServerName, ""},
        {"NoExtensions", InRecords(HandshakeMessage({}, false)), HelloScan::NoServerName, ""},
        {"NoServerNameExtension",
         InRecords(HandshakeMessage({{10, Bytes{0, 2, 0, 0x1d}}, {43, Bytes{2, 3, 4}}})),
         HelloScan::NoServerName, ""},
        {"HostNameAfterAnotherNameType",
         [] {
             Bytes list{9, 0, 1, 'x', 0, 0, 4, 'a', '.', 'b', 'c'}; // type 9 "x", host "a.bc"
             Bytes data;
             providertest::Put16(data, list.size());
             providertest::Append(data, list);
             return InRecords(HandshakeMessage({{0, data}}));
         }(),
         HelloScan::ServerName, "a.bc"},
        {"HandshakeInOneByteRecords",
         InRecords(HandshakeMessage(TypicalExtensions("a.example")), 1), HelloScan::ServerName,
         "a.example"},
        {"HandshakeInRecordsOf100",
         InRecords(HandshakeMessage(TypicalExtensions("a.example")), 100), HelloScan::ServerName,
         "a.example"},
        // Not TLS at all, or not a ClientHello.
        {"HttpRequest", Text("GET / HTTP/1.1\r\nHost: evil.example\r\n\r\n"),
         HelloScan::NotClientHello, ""},
        {"SshBanner", Text("SSH-2.0-OpenSSH_9.2\r\n"), HelloScan::NotClientHello, ""},
        {"ApplicationDataRecord", WithByte(hello, 0, 23), HelloScan::NotClientHello, ""},
        {"ServerHello", WithByte(hello, 5, 2), HelloScan::NotClientHello, ""},
        {"RecordVersion2", WithByte(hello, 1, 2), HelloScan::NotClientHello, ""},
        {"RecordVersion3Dot5", WithByte(hello, 2, 5), HelloScan::NotClientHello, ""},
        {"SslV2Hello", Bytes{0x80, 0x2e, 0x01, 0x00, 0x02}, HelloScan::NotClientHello, ""},
        {"EmptyRecord", Bytes{22, 3, 1, 0, 0, 22, 3, 1, 0, 4, 1, 0, 0, 0},
         HelloScan::NotClientHello, ""},
        {"RecordOver16384", WithByte(WithByte(hello, 3, 0x40), 4, 1), HelloScan::NotClientHello,
         ""},
        {"HelloVersion2", WithByte(hello, 9, 2), HelloScan::NotClientHello, ""},
        {"SessionIdOf33", WithByte(hello, kSessionIdLength, 33), HelloScan::NotClientHello, ""},
        {"ShortHandshakeLength", WithByte(WithByte(hello, 7, 0), 8, 10), HelloScan::NotClientHello,
         ""},
    };
    // Lengths that do not fit what encloses them.
    Bytes message = HandshakeMessage(TypicalExtensions("evil.example"));
    const std::size_t extensionsLength = 4 + 2 + 32 + 1 + 32 + 2 + 4 + 2;
    Bytes longer = message;
    longer[extensionsLength + 1] += 1;
    rows.push_back(
        {"ExtensionsLongerThanTheMessage", InRecords(longer), HelloScan::NotClientHello, ""});
    Bytes shorter = message;
    shorter[extensionsLength + 1] -= 1;
    rows.push_back(
        {"ExtensionsShorterThanTheMessage", InRecords(shorter), HelloScan::NotClientHello, ""});
    Extension badList = ServerNameExtension("evil.example");
    badList.data[1] += 1; // the list claims one byte more than the extension holds
    rows.push_back({"ServerNameListLongerThanItsExtension", InRecords(HandshakeMessage({badList})),
                    HelloScan::NotClientHello, ""});
    Extension badEntry = ServerNameExtension("evil.example");
    badEntry.data[4] += 1; // the name claims one byte more than the list holds
    rows.push_back({"NameLongerThanItsList", InRecords(HandshakeMessage({badEntry})),
                    HelloScan::NotClientHello, ""});
    Bytes extensionPastEnd = HandshakeMessage({{21, Bytes(8, 0)}});
    extensionPastEnd[extensionPastEnd.size() - 9] = 9; // padding's size: one past the block
    rows.push_back(
        {"ExtensionPastTheBlock", InRecords(extensionPastEnd), HelloScan::NotClientHello, ""});
    Bytes otherRecord = InRecords(message, 60);
    otherRecord[65] = 23; // the second record is not a handshake record
    rows.push_back({"SecondRecordNotHandshake", otherRecord, HelloScan::NotClientHello, ""});
    return rows;
}

class ClientHelloScan : public testing::TestWithParam<ScanRow> {};

TEST_P(ClientHelloScan, GivesTheServerNameOrSaysWhyNot) {
    const ScanRow& row = GetParam();
    Scanned result = Scan(row.bytes);
    EXPECT_STREQ(ScanName(result.scan), ScanName(row.scan));
    EXPECT_EQ(result.name, row.serverName);
}

INSTANTIATE_TEST_SUITE_P(FirstWrites, ClientHelloScan, testing::ValuesIn(ScanRows()),
                         [](const auto& info) { return std::string(info.param.name); });

// ClientHellos as OpenSSL writes them (the fuzz target's seeds): TLS 1.3 and 1.2, with ALPN,
// without a name, fragmented into records of 64 bytes.
TEST(ClientHelloReal, OpenSslClientHellosGiveTheirNames) {
    const struct {
        const char* file;
        HelloScan scan;
        const char* name;
    } rows[] = {
        {"openssl_sni.bin", HelloScan::ServerName, "secure-paypa1-login.example"},
        {"openssl_alpn_h2.bin", HelloScan::ServerName, "www.evil.example"},
        {"openssl_tls12.bin", HelloScan::ServerName, "a.b.example"},
        {"openssl_no_name.bin", HelloScan::NoServerName, ""},
        {"fragmented_records.bin", HelloScan::ServerName, "fragmented.example"},
    };
    for (const auto& row : rows) {
        std::ifstream in(std::string(HOOKWISE_SOURCE_DIR) + "/fuzz/seeds/clienthello/" + row.file,
                         std::ios::binary);
        Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ASSERT_FALSE(bytes.empty()) << row.file;
        Scanned result = Scan(bytes);
        EXPECT_STREQ(ScanName(result.scan), ScanName(row.scan)) << row.file;
        EXPECT_EQ(result.name, row.name) << row.file;
    }
}

// ---- truncated and split ----

// Every prefix of a ClientHello is incomplete until the server name extension is whole, and gives
// the name from then on, whatever follows.
TEST(ClientHelloTruncated, EveryPrefixIsIncompleteUntilTheNameIsIn) {
    const Bytes hello = ClientHello("login.evil.example", 300);
    const Bytes name = Text("login.evil.example");
    auto at = std::search(hello.begin(), hello.end(), name.begin(), name.end());
    ASSERT_NE(at, hello.end());
    const std::size_t nameEnd = static_cast<std::size_t>(at - hello.begin()) + name.size();
    for (std::size_t size = 1; size <= hello.size(); ++size) {
        Scanned result = Scan(Bytes(hello.begin(), hello.begin() + size));
        if (size < nameEnd) {
            ASSERT_EQ(result.scan, HelloScan::Incomplete) << size;
            EXPECT_EQ(result.name, "");
        } else {
            ASSERT_EQ(result.scan, HelloScan::ServerName) << size;
            EXPECT_EQ(result.name, "login.evil.example");
        }
    }
}

// The same bytes in any split over the parts of one write (or the writes held for a split
// ClientHello) read the same, empty and null parts included.
TEST(ClientHelloSplit, AnySplitOverPartsReadsTheSame) {
    const Bytes hello = InRecords(HandshakeMessage(TypicalExtensions("a.evil.example", 40)), 90);
    for (std::size_t first = 0; first <= hello.size(); ++first) {
        for (std::size_t second = first; second <= hello.size(); second += 37) {
            Bytes copy = hello;
            iovec parts[5] = {{copy.data(), first},
                              {nullptr, 12},
                              {copy.data() + first, second - first},
                              {copy.data(), 0},
                              {copy.data() + second, copy.size() - second}};
            char name[kServerNameSize];
            ASSERT_EQ(ScanClientHello(parts, 5, name), HelloScan::ServerName) << first << second;
            ASSERT_STREQ(name, "a.evil.example");
        }
    }
}

TEST(ClientHelloSplit, CheapTestLooksAtTheFirstByteOfTheFirstNonEmptyPart) {
    Bytes hello = ClientHello("x.example");
    iovec parts[3] = {{nullptr, 4}, {hello.data(), 0}, {hello.data(), hello.size()}};
    EXPECT_TRUE(MayStartClientHello(parts, 3));
    EXPECT_FALSE(MayStartClientHello(parts, 2));
    EXPECT_FALSE(MayStartClientHello(nullptr, 0));
    EXPECT_FALSE(MayStartClientHello("GET", 3));
}

// ---- oversized ----

// A name behind 16 KiB of other extensions is never looked for: the look stops at the limit and
// the connection goes on unchecked, rather than buffering without end.
TEST(ClientHelloOversized, NameBeyondTheLookLimitIsNotLookedFor) {
    const Bytes hello =
        InRecords(HandshakeMessage(TypicalExtensions("evil.example", kClientHelloLookLimit)));
    ASSERT_GT(hello.size(), kClientHelloLookLimit);
    EXPECT_EQ(Scan(hello).scan, HelloScan::NoServerName);
    EXPECT_EQ(Scan(Bytes(hello.begin(), hello.begin() + kClientHelloLookLimit)).scan,
              HelloScan::NoServerName);
    EXPECT_EQ(Scan(Bytes(hello.begin(), hello.begin() + kClientHelloLookLimit - 1)).scan,
              HelloScan::Incomplete);
    // Just inside the limit (a large but real ClientHello, post-quantum key shares and all).
    const Bytes large = InRecords(HandshakeMessage(TypicalExtensions("evil.example", 12000)));
    EXPECT_EQ(Scan(large).name, "evil.example");
}

// ---- the state carried between writes ----

class SocketStateTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds_), 0); }
    void TearDown() override {
        close(fds_[0]);
        close(fds_[1]);
    }
    int fds_[2] = {-1, -1};
};

TEST_F(SocketStateTest, FirstWriteIsTakenOnceAfterEachConnect) {
    EXPECT_FALSE(TakeFirstWrite(fds_[0])) << "no connect seen";
    NoteConnect(fds_[0], 0);
    EXPECT_TRUE(TakeFirstWrite(fds_[0]));
    EXPECT_FALSE(TakeFirstWrite(fds_[0]));
    NoteConnect(fds_[0], ServerNameHash("evil.example"));
    EXPECT_TRUE(TakeFirstWrite(fds_[0]));
    EXPECT_EQ(DecidedName(fds_[0]), ServerNameHash("EVIL.example."));
    EXPECT_FALSE(TakeFirstWrite(-1));
    EXPECT_FALSE(TakeFirstWrite(kTrackedDescriptors));
    NoteConnect(kTrackedDescriptors, 0); // ignored, not written out of the table
    EXPECT_EQ(SocketFlags(kTrackedDescriptors), 0u);
}

// A refusal stays with the socket, not with the number: a descriptor reused by another socket
// (the refused one closed) writes freely.
TEST_F(SocketStateTest, RefusalFollowsTheSocketNotItsNumber) {
    NoteConnect(fds_[0], 0);
    ASSERT_TRUE(MarkRefused(fds_[0]));
    EXPECT_TRUE(IsRefused(fds_[0]));
    EXPECT_TRUE(IsRefused(fds_[0]));
    int other[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, other), 0);
    ASSERT_EQ(dup2(other[0], fds_[0]), fds_[0]);
    EXPECT_FALSE(IsRefused(fds_[0]));
    EXPECT_EQ(SocketFlags(fds_[0]) & kRefused, 0u);
    close(other[0]);
    close(other[1]);
    NoteConnect(fds_[0], 0);
    EXPECT_FALSE(IsRefused(fds_[0]));
}

// The provider's answer to a blocked request stays with the socket that carries it; a connect
// starts afresh.
TEST_F(SocketStateTest, AnsweredMarkFollowsTheSocketAndReplacesOtherState) {
    NoteConnect(fds_[0], ServerNameHash("evil.example"));
    ASSERT_TRUE(MarkRefused(fds_[0]));
    ASSERT_TRUE(MarkAnswered(fds_[0]));
    EXPECT_EQ(SocketFlags(fds_[0]), static_cast<std::uint32_t>(kAnswered));
    EXPECT_EQ(DecidedName(fds_[0]), 0u);
    EXPECT_TRUE(IsAnswered(fds_[0]));
    EXPECT_FALSE(IsRefused(fds_[0]));
    EXPECT_FALSE(MarkAnswered(kTrackedDescriptors));
    int other[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, other), 0);
    ASSERT_EQ(dup2(other[0], fds_[0]), fds_[0]);
    EXPECT_FALSE(IsAnswered(fds_[0]));
    EXPECT_EQ(SocketFlags(fds_[0]), 0u);
    close(other[0]);
    close(other[1]);
    ASSERT_TRUE(MarkAnswered(fds_[0]));
    NoteConnect(fds_[0], 0);
    EXPECT_FALSE(IsAnswered(fds_[0]));
}

TEST_F(SocketStateTest, SplitClientHelloIsGatheredUpToTheLookLimit) {
    NoteConnect(fds_[0], 0);
    PendingHello* pending = StartPending(fds_[0]);
    ASSERT_NE(pending, nullptr);
    ASSERT_EQ(ContinuePending(fds_[0]), pending);
    const Bytes hello = ClientHello("split.example");
    iovec first{const_cast<std::uint8_t*>(hello.data()), 20};
    iovec rest{const_cast<std::uint8_t*>(hello.data()) + 20, hello.size() - 20};
    const void* whole = nullptr;
    std::size_t size = 0;
    AppendPending(*pending, &first, 1, whole, size);
    EXPECT_EQ(size, 20u);
    AppendPending(*pending, &rest, 1, whole, size);
    ASSERT_EQ(size, hello.size());
    char name[kServerNameSize];
    EXPECT_EQ(ScanClientHello(whole, size, name), HelloScan::ServerName);
    EXPECT_STREQ(name, "split.example");
    // Never more than the look limit, however much is written.
    Bytes big(3 * kClientHelloLookLimit, 7);
    iovec bigPart{big.data(), big.size()};
    AppendPending(*pending, &bigPart, 1, whole, size);
    EXPECT_EQ(size, kClientHelloLookLimit);

    DropPending(fds_[0]);
    EXPECT_EQ(ContinuePending(fds_[0]), nullptr);
    // A pending ClientHello does not pass to another socket on the same number.
    ASSERT_NE(StartPending(fds_[0]), nullptr);
    int other[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, other), 0);
    ASSERT_EQ(dup2(other[0], fds_[0]), fds_[0]);
    EXPECT_EQ(ContinuePending(fds_[0]), nullptr);
    close(other[0]);
    close(other[1]);
}

} // namespace
