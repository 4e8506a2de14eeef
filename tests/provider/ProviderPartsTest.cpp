// The provider's building blocks on their own: recognising a request, copying its head, naming
// the remote end, telling TCP sockets apart, and editing the session preload file.
#include "provider/HostVerdicts.h"
#include "provider/RemoteAddress.h"
#include "provider/RequestHead.h"
#include "provider/SessionPreload.h"
#include "tests/platform/channel/ReceiverLoop.h"
#include "tests/support/Files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>

#include <arpa/inet.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace hookwise::provider;

namespace {

struct StartRow {
    const char* name;
    std::vector<std::string> pieces;
    bool isRequest;
};

void PrintTo(const StartRow& row, std::ostream* os) {
    *os << row.name;
}

const StartRow kStartRows[] = {
    {"PlainGet", {"GET / HTTP/1.1\r\n"}, true},
    {"LowerCaseGet", {"get /"}, true},
    {"Post", {"POST /login HTTP/1.1"}, true},
    {"Head", {"HEAD /a HTTP/1.0"}, true},
    {"TenLetterMethod", {"ABCDEFGHIJ /"}, true},
    {"AbsoluteTargetToAProxy", {"POST http://x/ HTTP/1.1"}, true},
    {"HttpsTargetAnyCase", {"GET HTTPS://x/"}, true},
    {"MethodSplitOverBuffers", {"G", "", "E", "T /x"}, true},
    {"TargetSplitOverBuffers", {"GET ht", "tp://x/"}, true},
    {"JustTheMethod", {"GET "}, false},
    {"TooShort", {"GET"}, false},
    {"TwoLetterMethod", {"GE /"}, false},
    {"ElevenLetterMethod", {"ABCDEFGHIJK /"}, false},
    {"DigitInMethod", {"GET2 /"}, false},
    {"NoBlankAfterMethod", {"GETX/"}, false},
    {"TwoBlanks", {"GET  /"}, false},
    {"AuthorityFormOfConnect", {"CONNECT x:443 HTTP/1.1"}, false},
    {"OtherScheme", {"GET httpx://x/"}, false},
    {"PlainText", {"Hello world, this is text"}, false},
    {"BinaryData", {std::string("\x16\x03\x01\x02\x00", 5)}, false},
    {"Nothing", {}, false},
    {"LeadingBlank", {" GET /"}, false},
};

class RequestStart : public testing::TestWithParam<StartRow> {};

TEST_P(RequestStart, RecognisesARequestLineStartAtTheVeryStart) {
    const StartRow& row = GetParam();
    std::vector<iovec> iov;
    std::string joined;
    for (const std::string& piece : row.pieces) {
        iov.push_back({const_cast<char*>(piece.data()), piece.size()});
        joined += piece;
    }
    EXPECT_EQ(StartsHttpRequest(iov.data(), static_cast<int>(iov.size())), row.isRequest);
    EXPECT_EQ(StartsHttpRequest(joined.data(), joined.size()), row.isRequest);
}

INSTANTIATE_TEST_SUITE_P(Starts, RequestStart, testing::ValuesIn(kStartRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RequestStart, NullPointersAreNoRequest) {
    EXPECT_FALSE(StartsHttpRequest(nullptr, 10));
    EXPECT_FALSE(StartsHttpRequest(static_cast<const iovec*>(nullptr), 3));
    iovec nullBuffer{nullptr, 8};
    EXPECT_FALSE(StartsHttpRequest(&nullBuffer, 1));
    EXPECT_FALSE(StartsHeadRequest(static_cast<const iovec*>(nullptr), 3));
}

TEST(RequestStart, HeadRequestsAreToldApart) {
    std::string head = "head /a HTTP/1.1\r\n";
    std::string get = "GET /head HTTP/1.1\r\n";
    iovec split[2] = {{head.data(), 3}, {head.data() + 3, head.size() - 3}};
    iovec whole{get.data(), get.size()};
    EXPECT_TRUE(StartsHeadRequest(split, 2));
    EXPECT_FALSE(StartsHeadRequest(&whole, 1));
}

std::string Head(const std::vector<std::string>& pieces) {
    std::vector<iovec> iov;
    for (const std::string& piece : pieces)
        iov.push_back({const_cast<char*>(piece.data()), piece.size()});
    char out[kRequestHeadBytes + 1];
    std::memset(out, 'Z', sizeof out);
    std::size_t length = CopyRequestHead(iov.data(), static_cast<int>(iov.size()), out);
    EXPECT_EQ(length, std::strlen(out));
    return out;
}

TEST(RequestHeadCopy, LowerCasesAndStopsAtTheEndOfTheHead) {
    EXPECT_EQ(Head({"GET /A HTTP/1.1\r\nHost: WWW.X\r\n\r\nBODY host: evil\r\n"}),
              "get /a http/1.1\r\nhost: www.x\r\n");
    EXPECT_EQ(Head({"GET /a HT", "TP/1.1\r\nHo", "st: x\r\n"}), "get /a http/1.1\r\nhost: x\r\n");
    EXPECT_EQ(Head({std::string("GET /a\0host: x\r\n", 16)}), "get /a");
    EXPECT_EQ(Head({}), "");
}

TEST(RequestHeadCopy, NeverCopiesMoreThanTheBound) {
    std::string longRequest = "GET /" + std::string(3 * kRequestHeadBytes, 'A');
    std::string head = Head({longRequest.substr(0, 100), longRequest.substr(100)});
    EXPECT_EQ(head.size(), kRequestHeadBytes);
    EXPECT_EQ(head.substr(0, 6), "get /a");
}

sockaddr_in V4(const char* text, int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    inet_pton(AF_INET, text, &a.sin_addr);
    return a;
}

sockaddr_in6 V6(const char* text, int port) {
    sockaddr_in6 a{};
    a.sin6_family = AF_INET6;
    a.sin6_port = htons(static_cast<std::uint16_t>(port));
    inet_pton(AF_INET6, text, &a.sin6_addr);
    return a;
}

TEST(RemoteEndpointText, FormatsBothFamiliesAndMappedAddresses) {
    RemoteEndpoint out;
    sockaddr_in v4 = V4("192.0.2.7", 8080);
    ASSERT_TRUE(FormatEndpoint(reinterpret_cast<sockaddr*>(&v4), sizeof v4, out));
    EXPECT_STREQ(out.host, "192.0.2.7");
    EXPECT_STREQ(out.port, "8080");

    sockaddr_in6 v6 = V6("2001:db8::1", 443);
    ASSERT_TRUE(FormatEndpoint(reinterpret_cast<sockaddr*>(&v6), sizeof v6, out));
    EXPECT_STREQ(out.host, "2001:db8::1");
    EXPECT_STREQ(out.port, "443");

    sockaddr_in6 mapped = V6("::ffff:203.0.113.66", 65535);
    ASSERT_TRUE(FormatEndpoint(reinterpret_cast<sockaddr*>(&mapped), sizeof mapped, out));
    EXPECT_STREQ(out.host, "203.0.113.66");
    EXPECT_STREQ(out.port, "65535");

    sockaddr_in6 longest = V6("ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff", 1);
    ASSERT_TRUE(FormatEndpoint(reinterpret_cast<sockaddr*>(&longest), sizeof longest, out));
    EXPECT_EQ(std::strlen(out.host), 39u);
}

TEST(RemoteEndpointText, IPv4TextMatchesTheCLibrary) {
    // Every digit count in every position, and every port width.
    const unsigned char values[] = {0, 1, 9, 10, 99, 100, 199, 200, 255};
    const int ports[] = {0, 7, 80, 443, 8080, 65535};
    RemoteEndpoint out;
    for (unsigned char a : values) {
        for (unsigned char d : values) {
            for (int port : ports) {
                sockaddr_in v4{};
                v4.sin_family = AF_INET;
                v4.sin_port = htons(static_cast<std::uint16_t>(port));
                unsigned char bytes[4] = {a, d, static_cast<unsigned char>(a ^ d), d};
                std::memcpy(&v4.sin_addr, bytes, 4);
                char expected[INET_ADDRSTRLEN];
                inet_ntop(AF_INET, &v4.sin_addr, expected, sizeof expected);
                ASSERT_TRUE(FormatEndpoint(reinterpret_cast<sockaddr*>(&v4), sizeof v4, out));
                EXPECT_STREQ(out.host, expected);
                EXPECT_EQ(std::string(out.port), std::to_string(port));
            }
        }
    }
}

TEST(HostVerdictTable, AnswersOnlyForTheSameHostAndGeneration) {
    EXPECT_EQ(FindVerdict("192.0.2.1", 7), Verdict::Unknown);
    StoreVerdict("192.0.2.1", 7, true);
    StoreVerdict("192.0.2.2", 7, false);
    EXPECT_EQ(FindVerdict("192.0.2.1", 7), Verdict::Listed);
    EXPECT_EQ(FindVerdict("192.0.2.2", 7), Verdict::NotListed);
    EXPECT_EQ(FindVerdict("192.0.2.1", 8), Verdict::Unknown); // a newer database
    EXPECT_EQ(FindVerdict("192.0.2.10", 7), Verdict::Unknown);
    EXPECT_EQ(FindVerdict("192.0.2.", 7), Verdict::Unknown);
    EXPECT_EQ(FindVerdict(nullptr, 7), Verdict::Unknown);
    StoreVerdict("192.0.2.1", 0, true); // 0 is no generation: ignored
    EXPECT_EQ(FindVerdict("192.0.2.1", 0), Verdict::Unknown);

    // Many hosts share the table's slots: a host pushed out is asked again, never answered with
    // another host's verdict.
    for (int i = 0; i < 2000; ++i)
        StoreVerdict(("198.51.100." + std::to_string(i)).c_str(), 9, i % 3 == 0);
    for (int i = 0; i < 2000; ++i) {
        Verdict found = FindVerdict(("198.51.100." + std::to_string(i)).c_str(), 9);
        if (found != Verdict::Unknown) {
            EXPECT_EQ(found, i % 3 == 0 ? Verdict::Listed : Verdict::NotListed) << i;
        }
    }

    std::string longHost(100, 'h'); // longer than any listed host: never stored
    StoreVerdict(longHost.c_str(), 9, true);
    EXPECT_EQ(FindVerdict(longHost.c_str(), 9), Verdict::Unknown);
}

TEST(RemoteEndpointText, RefusesOtherFamiliesAndShortAddresses) {
    RemoteEndpoint out;
    sockaddr_in v4 = V4("192.0.2.7", 80);
    EXPECT_FALSE(FormatEndpoint(reinterpret_cast<sockaddr*>(&v4), sizeof v4 - 1, out));
    EXPECT_STREQ(out.host, "");
    sockaddr_in6 v6 = V6("::1", 80);
    EXPECT_FALSE(IsInternetAddress(reinterpret_cast<sockaddr*>(&v6), sizeof(sockaddr_in)));
    sockaddr_un local{};
    local.sun_family = AF_UNIX;
    EXPECT_FALSE(IsInternetAddress(reinterpret_cast<sockaddr*>(&local), sizeof local));
    EXPECT_FALSE(IsInternetAddress(nullptr, 16));
    EXPECT_FALSE(FormatEndpoint(nullptr, 0, out));
}

TEST(SocketKind, OnlyTcpSocketsCount) {
    int tcp = socket(AF_INET, SOCK_STREAM, 0);
    int tcp6 = socket(AF_INET6, SOCK_STREAM, 0);
    int udp = socket(AF_INET, SOCK_DGRAM, 0);
    int local = socket(AF_UNIX, SOCK_STREAM, 0);
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);

    EXPECT_TRUE(IsTcpSocket(tcp));
    EXPECT_TRUE(IsTcpSocket(tcp6));
    EXPECT_FALSE(IsTcpSocket(udp));
    EXPECT_FALSE(IsTcpSocket(local));
    EXPECT_FALSE(IsTcpSocket(pipeEnds[1]));
    EXPECT_FALSE(IsTcpSocket(-1));
    for (int fd : {tcp, tcp6, udp, local, pipeEnds[0], pipeEnds[1]})
        close(fd);
}

// ---- the session preload file ----

const std::string kLibrary = "/opt/hookwise/libhookswp_lsp.so";
const std::string kLine = "LD_PRELOAD=/opt/hookwise/libhookswp_lsp.so${LD_PRELOAD:+:$LD_PRELOAD}";

struct PreloadRow {
    const char* name;
    std::string before;
    std::string library;
    std::string after;
};

void PrintTo(const PreloadRow& row, std::ostream* os) {
    *os << row.name;
}

const PreloadRow kPreloadRows[] = {
    {"AddToEmpty", "", kLibrary, kLine + "\n"},
    {"AddKeepsOtherLines", "# mine\nFOO=bar\n", kLibrary, "# mine\nFOO=bar\n" + kLine + "\n"},
    {"AddTwiceIsOnce", kLine + "\n", kLibrary, kLine + "\n"},
    {"AddReplacesAnOldFolder", "LD_PRELOAD=/old/libhookswp_lsp.so\nA=1\n", kLibrary,
     "A=1\n" + kLine + "\n"},
    {"AddKeepsOtherPreloads", "LD_PRELOAD=/usr/lib/other.so\n", kLibrary,
     "LD_PRELOAD=/usr/lib/other.so\n" + kLine + "\n"},
    {"RemoveLeavesTheRest", "A=1\n" + kLine + "\nB=2", "", "A=1\nB=2\n"},
    {"RemoveWhenAbsent", "A=1\n", "", "A=1\n"},
};

class PreloadEdit : public testing::TestWithParam<PreloadRow> {};

TEST_P(PreloadEdit, ChangesOnlyTheProvidersLine) {
    const PreloadRow& row = GetParam();
    EXPECT_EQ(WithPreload(row.before, row.library), row.after);
    EXPECT_EQ(WithPreload(row.after, row.library), row.after)
        << "applying it again changes nothing";
}

INSTANTIATE_TEST_SUITE_P(Edits, PreloadEdit, testing::ValuesIn(kPreloadRows),
                         [](const auto& info) { return std::string(info.param.name); });

using testsupport::ReadFile;

TEST(PreloadFile, InstallAndRemoveRoundTrip) {
    channeltest::TempFolder folder;
    std::string path = folder.Path() + "/config/environment.d/60-hookwise.conf";

    ASSERT_EQ(UpdateSessionPreload(path, kLibrary), "");
    EXPECT_EQ(ReadFile(path), kLine + "\n");
    struct stat first {};
    stat(path.c_str(), &first);
    ASSERT_EQ(UpdateSessionPreload(path, kLibrary), "");
    struct stat second {};
    stat(path.c_str(), &second);
    EXPECT_EQ(first.st_ino, second.st_ino) << "an up-to-date file is not rewritten";

    ASSERT_EQ(UpdateSessionPreload(path, ""), "");
    EXPECT_NE(access(path.c_str(), F_OK), 0) << "a file with nothing else in it is removed";
    EXPECT_EQ(UpdateSessionPreload(path, ""), "") << "removing twice is fine";
}

TEST(PreloadFile, RemoveKeepsAFileWithOtherSettings) {
    channeltest::TempFolder folder;
    std::string path = folder.Path() + "/60-hookwise.conf";
    std::ofstream(path) << "EDITOR=vi\n";
    ASSERT_EQ(UpdateSessionPreload(path, kLibrary), "");
    ASSERT_EQ(UpdateSessionPreload(path, ""), "");
    EXPECT_EQ(ReadFile(path), "EDITOR=vi\n");
}

TEST(PreloadFile, UnwritableFolderGivesAMessage) {
    EXPECT_NE(UpdateSessionPreload("/proc/no-such/60-hookwise.conf", kLibrary), "");
    EXPECT_NE(UpdateSessionPreload("", kLibrary), "");
}

TEST(PreloadFile, PathFollowsXdgConfigHome) {
    setenv("XDG_CONFIG_HOME", "/tmp/cfg-home", 1);
    EXPECT_EQ(SessionPreloadPath(), "/tmp/cfg-home/environment.d/60-hookwise.conf");
    setenv("XDG_CONFIG_HOME", "relative/is/ignored", 1);
    setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(SessionPreloadPath(), "/home/someone/.config/environment.d/60-hookwise.conf");
}

} // namespace
