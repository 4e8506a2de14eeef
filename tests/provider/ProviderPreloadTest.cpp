// The interception provider preloaded into real programs (curl and a probe that makes one kind of
// socket call), reporting to a receiver in this test program that answers a fixed decision.
#include "engine/DetectionRecord.h"
#include "platform/ChannelReceiver.h"
#include "platform/Registry.h"
#include "platform/Window.h"
#include "tests/platform/channel/ReceiverLoop.h"
#include "tests/provider/ProviderHarness.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <ostream>
#include <thread>

#include <fcntl.h>
#include <netdb.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace hookwise::platform;

using channeltest::ReceiverLoop;
using channeltest::TempFolder;
using providertest::ChildResult;
using providertest::HttpServer;
using providertest::RunChild;

namespace {

constexpr char kCaption[] = "Baitguard Server Handler";
constexpr char kListedHost[] = "127.0.0.2";
constexpr char kServedHost[] = "127.0.0.1";
constexpr char kListedUrl[] = "phish.example/login.html";
constexpr char kListedIPv6[] = "2001:db8:85a3:8d3:1319:8a2e:370:7348";
// A sentence of the provider's own English page.
constexpr char kBuiltInPageText[] = "held back this address because it is listed as a phishing";

struct Report {
    std::uint32_t code;
    std::vector<std::uint8_t> bytes;

    std::string Text(std::size_t offset, std::size_t size) const {
        const char* start = reinterpret_cast<const char*>(bytes.data()) + offset;
        return std::string(start, strnlen(start, size));
    }
};

// One set-up for the whole suite: private runtime folder, registry, working database, receiver
// and HTTP server.
class ProviderPreload : public testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new TempFolder();
        std::string root = folder_->Path();
        runtime_ = root + "/run";
        mkdir(runtime_.c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
        setenv("HOOKWISE_REGISTRY", (root + "/registry.db").c_str(), 1);
        RegistryReopenForTesting();
        std::string app = root + "/app";
        mkdir(app.c_str(), 0700);
        ASSERT_TRUE(providertest::SetAppPath(app));
        providertest::WriteWorkingDatabase(app + "/hkwdb2.pbd",
                                           {{"HostIP", "IP1", "10.255.255.1"},
                                            {"HostIP", "IP2", kListedHost},
                                            {"HostIP", "IP3", kListedIPv6},
                                            {"HostLink", "HLINK1", kListedUrl}});
        std::ofstream(root + "/hosts") << "127.0.0.1 localhost phish.example www.phish.example\n";

        receiver_ = new ChannelReceiver(
            [](std::uint32_t code, const std::uint8_t* data, std::uint32_t size) {
                std::lock_guard lock(mutex_);
                reports_.push_back({code, std::vector<std::uint8_t>(data, data + size)});
                // An alert the user takes a while to answer.
                std::this_thread::sleep_for(std::chrono::milliseconds(decisionMs_.load()));
                return answer_.load();
            });
        ASSERT_EQ(receiver_->Listen(kCaption), ERROR_SUCCESS);
        loop_ = new ReceiverLoop(*receiver_);
        loop_->Start();
        server_ = new HttpServer();
        ASSERT_TRUE(server_->Start({kServedHost, kListedHost}));
    }

    static void TearDownTestSuite() {
        delete server_;
        delete loop_;
        delete receiver_;
        delete folder_;
    }

    void SetUp() override {
        std::lock_guard lock(mutex_);
        reports_.clear();
    }

    static std::vector<Report> Reports() {
        std::lock_guard lock(mutex_);
        return reports_;
    }

    // An instrumented provider needs the sanitizer runtime loaded ahead of it.
    static std::vector<std::string> PreloadEnvironment() {
#ifdef HOOKWISE_ASAN_RUNTIME
        std::string preload = std::string(HOOKWISE_ASAN_RUNTIME) + " " + HOOKWISE_PROVIDER_PATH;
#else
        std::string preload = HOOKWISE_PROVIDER_PATH;
#endif
        return {"LD_PRELOAD=" + preload, "XDG_RUNTIME_DIR=" + runtime_,
                std::string("HOOKWISE_REGISTRY=") + getenv("HOOKWISE_REGISTRY"),
                "ASAN_OPTIONS=detect_leaks=0"};
    }

    // curl for http://IP:PORT/PATH with the given Host header and options; it prints the page,
    // then "|" and the answer's status (000 without an answer).
    static ChildResult Curl(const char* ip, const char* host, const char* path,
                            const std::vector<std::string>& options) {
        std::string url =
            std::string("http://") + ip + ":" + std::to_string(server_->Port()) + path;
        std::vector<std::string> argv = {"curl",
                                         "-s",
                                         "-S",
                                         "--noproxy",
                                         "*",
                                         "--max-time",
                                         "20",
                                         "-w",
                                         "|%{http_code}",
                                         "-H",
                                         std::string("Host: ") + host};
        argv.insert(argv.end(), options.begin(), options.end());
        argv.push_back(url);
        return RunChild(argv, PreloadEnvironment());
    }

    static ChildResult Probe(const std::string& mode, const char* ip, const char* host,
                             const std::string& path) {
        return RunChild(
            {HOOKWISE_PROBE_PATH, mode, ip, std::to_string(server_->Port()), host, path},
            PreloadEnvironment());
    }

    // The probe with the test's names resolving to 127.0.0.1 through a hosts file of its own,
    // mounted over /etc/hosts in a user and mount namespace; exit code 125 and "no namespaces"
    // when those cannot be had here.
    static ChildResult ProbeWithHosts(const std::string& mode, const char* host) {
        std::string hosts = folder_->Path() + "/hosts";
        ChildResult check =
            RunChild({"unshare", "-rm", "sh", "-c",
                      "mount --bind \"$0\" /etc/hosts && getent hosts \"$1\"", hosts, host},
                     {});
        if (check.exitCode != 0 || check.out.find("127.0.0.1") == std::string::npos)
            return {125, "", "no namespaces"};
        return RunChild(
            {"unshare", "-rm", "sh", "-c", "mount --bind \"$0\" /etc/hosts && exec \"$@\"", hosts,
             HOOKWISE_PROBE_PATH, mode, kServedHost, std::to_string(server_->Port()), host, "/"},
            PreloadEnvironment());
    }

    static void ExpectRecord(const Report& report, std::uint32_t code, const char* host,
                             const std::string& url, char kind, const std::string& program) {
        char resolved[PATH_MAX];
        std::string senderPath = realpath(program.c_str(), resolved) ? resolved : program;
        std::string name = senderPath.substr(senderPath.rfind('/') + 1);
        EXPECT_EQ(report.code, code);
        ASSERT_EQ(report.bytes.size(), 1681u);
        EXPECT_EQ(report.Text(0, 261), senderPath) << "sender path at 0";
        EXPECT_EQ(report.Text(261, 101), name) << "program at 261";
        EXPECT_EQ(report.Text(362, 20), host) << "host address at 362";
        EXPECT_EQ(report.Text(382, 10), std::to_string(server_->Port())) << "port at 382";
        EXPECT_EQ(report.Text(392, 261), url) << "URL at 392";
        EXPECT_EQ(static_cast<char>(report.bytes[653]), kind) << "kind byte at 653";
    }

    static inline TempFolder* folder_ = nullptr;
    static inline std::string runtime_;
    static inline ChannelReceiver* receiver_ = nullptr;
    static inline ReceiverLoop* loop_ = nullptr;
    static inline HttpServer* server_ = nullptr;
    static inline std::mutex mutex_;
    static inline std::vector<Report> reports_;
    static inline std::atomic<std::int32_t> answer_{0};
    static inline std::atomic<int> decisionMs_{0};
};

// What curl gets: the server's page, the provider's 403 page, or a refused connection.
enum class Outcome { Loads, Forbidden, Refused };

struct CurlRow {
    const char* name;
    const char* ip;
    const char* host = "phish.example";
    const char* path;
    std::int32_t answer = 0;
    Outcome outcome;
    std::uint32_t reportCode = 1126; // 0: nothing reported
    std::vector<std::string> options = {};
};

void PrintTo(const CurlRow& row, std::ostream* os) {
    *os << row.name;
}

const CurlRow kCurlRows[] = {
    {.name = "UnlistedUrlLoadsWithoutAsking",
     .ip = kServedHost,
     .host = "safe.example",
     .path = "/ok.html",
     .outcome = Outcome::Loads,
     .reportCode = 0},
    {.name = "ListedUrlBlocked",
     .ip = kServedHost,
     .host = "www.phish.example",
     .path = "/login.html?user=1",
     .outcome = Outcome::Forbidden},
    {.name = "ListedUrlAllowed",
     .ip = kServedHost,
     .path = "/login.html",
     .answer = 1,
     .outcome = Outcome::Loads},
    {.name = "ListedUrlPostBlocked",
     .ip = kServedHost,
     .path = "/login.html",
     .outcome = Outcome::Forbidden,
     .options = {"--data", "user=a&pass=b"}},
    {.name = "ListedUrlHttp10Blocked",
     .ip = kServedHost,
     .path = "/login.html",
     .outcome = Outcome::Forbidden,
     .options = {"--http1.0"}},
    {.name = "ListedUrlPutAllowed",
     .ip = kServedHost,
     .path = "/login.html",
     .answer = 1,
     .outcome = Outcome::Loads,
     .options = {"-X", "PUT"}},
    {.name = "ListedHostBlocked",
     .ip = kListedHost,
     .host = "safe.example",
     .path = "/ok.html",
     .outcome = Outcome::Refused,
     .reportCode = 1125},
    {.name = "ListedHostAllowed",
     .ip = kListedHost,
     .host = "safe.example",
     .path = "/ok.html",
     .answer = 1,
     .outcome = Outcome::Loads,
     .reportCode = 1125},
    // No address for images: an empty address would be found in every listed entry.
    {.name = "ImageOnListedSiteNeverAsked",
     .ip = kServedHost,
     .path = "/logo.jpg",
     .outcome = Outcome::Loads,
     .reportCode = 0},
    // A listed page lists the pages below it, not the ones beside it nor its parts.
    {.name = "BelowAListedUrlIsListed",
     .ip = kServedHost,
     .path = "/login.html/step2",
     .outcome = Outcome::Forbidden},
    {.name = "PartOfAListedUrlIsNot",
     .ip = kServedHost,
     .path = "/login",
     .outcome = Outcome::Loads,
     .reportCode = 0},
    {.name = "LongerThanTheListedUrlIsNot",
     .ip = kServedHost,
     .path = "/login.html2",
     .outcome = Outcome::Loads,
     .reportCode = 0},
};

class CurlThroughProvider : public ProviderPreload, public testing::WithParamInterface<CurlRow> {};

TEST_P(CurlThroughProvider, LoadsOrFailsAsTheTrayProgramDecides) {
#ifdef HOOKWISE_ASAN_RUNTIME
    GTEST_SKIP() << "curl does not start with the sanitizer runtime preloaded; the probe tests "
                    "run the instrumented provider instead";
#endif
    const CurlRow& row = GetParam();
    answer_ = row.answer;

    ChildResult result = Curl(row.ip, row.host, row.path, row.options);

    switch (row.outcome) {
    case Outcome::Loads:
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.out, "hello|200");
        break;
    case Outcome::Forbidden:
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_NE(result.out.find(kBuiltInPageText), std::string::npos) << result.out;
        EXPECT_TRUE(result.out.ends_with("</html>\n|403")) << result.out;
        break;
    case Outcome::Refused:
        EXPECT_NE(result.exitCode, 0);
        EXPECT_EQ(result.out, "|000");
        break;
    }
    auto reports = Reports();
    if (row.reportCode == 0) {
        EXPECT_TRUE(reports.empty());
        return;
    }
    ASSERT_EQ(reports.size(), 1u);
    bool url = row.reportCode == 1126;
    std::string expectedUrl = url ? std::string("phish.example") + row.path : "";
    if (url && expectedUrl.find('?') != std::string::npos)
        expectedUrl.erase(expectedUrl.find('?'));
    ExpectRecord(reports[0], row.reportCode, row.ip, expectedUrl, url ? 'U' : 'I', "/usr/bin/curl");
}

INSTANTIATE_TEST_SUITE_P(Requests, CurlThroughProvider, testing::ValuesIn(kCurlRows),
                         [](const auto& info) { return std::string(info.param.name); });

// A tray program that is stopped (SIGSTOP, or hung) costs a program at most the channel's
// hand-over limit: curl is answered as with no tray program (blocked) well within 3 s. Once the
// tray program has taken a report, the program waits for the decision however long it takes.
TEST_F(ProviderPreload, StoppedTrayProgramNeverHangsCurlButAnOpenAlertIsWaitedFor) {
#ifdef HOOKWISE_ASAN_RUNTIME
    GTEST_SKIP() << "curl does not start with the sanitizer runtime preloaded";
#endif
    answer_ = 1;
    loop_->Stop();
    auto start = std::chrono::steady_clock::now();
    ChildResult stopped = Curl(kServedHost, "phish.example", "/login.html", {});
    auto took = std::chrono::steady_clock::now() - start;
    loop_->Start();
    EXPECT_LT(took, std::chrono::seconds(3));
    EXPECT_TRUE(stopped.out.ends_with("|403")) << stopped.out << stopped.err;
    EXPECT_TRUE(Reports().empty()); // the stale frame, read once running again, is not handled

    decisionMs_ = 3000; // longer than the hand-over limit; the test server waits 5 s
    start = std::chrono::steady_clock::now();
    ChildResult waited = Curl(kServedHost, "phish.example", "/login.html", {});
    took = std::chrono::steady_clock::now() - start;
    decisionMs_ = 0;
    EXPECT_GE(took, std::chrono::milliseconds(2900));
    EXPECT_EQ(waited.out, "hello|200") << waited.err;
    EXPECT_EQ(Reports().size(), 1u);
}

// A HEAD request is answered with the 403 head alone.
TEST_F(ProviderPreload, BlockedHeadRequestGetsTheHeadWithoutThePage) {
#ifdef HOOKWISE_ASAN_RUNTIME
    GTEST_SKIP() << "curl does not start with the sanitizer runtime preloaded";
#endif
    answer_ = 0;
    ChildResult result = Curl(kServedHost, "phish.example", "/login.html", {"--head"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out.rfind("HTTP/1.1 403 Forbidden\r\n", 0), 0u) << result.out;
    EXPECT_NE(result.out.find("Content-Type: text/html; charset=utf-8\r\n"), std::string::npos);
    EXPECT_NE(result.out.find("Connection: close\r\n"), std::string::npos);
    EXPECT_TRUE(result.out.ends_with("\r\n\r\n|403")) << result.out;
    EXPECT_EQ(Reports().size(), 1u);
}

// The page comes from the data folder ("App Path") when the tray program wrote one there; one
// larger than the provider reads is not used.
TEST_F(ProviderPreload, BlockedRequestPageComesFromTheDataFolder) {
    answer_ = 0;
    const std::string page = folder_->Path() + "/app/hkwblocked.htm";
    struct Remove {
        std::string path;
        ~Remove() { unlink(path.c_str()); }
    } remove{page};
    std::ofstream(page) << "<p>Von Hookwise blockiert</p>";
    ChildResult own = Probe("write", kServedHost, "phish.example", "/login.html");
    std::ofstream(page) << std::string(8193, 'x');
    ChildResult tooLarge = Probe("answered", kServedHost, "phish.example", "/login.html");

    EXPECT_EQ(own.out, "write ok errno=4242 reply=HTTP/1.1 403 Forbidden\n") << own.err;
    EXPECT_EQ(tooLarge.out, "answered sent sent nonblock cloexec eof [HTTP/1.1 403 Forbidden] "
                            "whole\n")
        << tooLarge.err;
#ifndef HOOKWISE_ASAN_RUNTIME
    std::ofstream(page) << "<p>Von Hookwise blockiert</p>";
    ChildResult curl = Curl(kServedHost, "phish.example", "/login.html", {});
    EXPECT_EQ(curl.out, "<p>Von Hookwise blockiert</p>|403");
#endif
}

// After the 403 answer the program may go on writing (a request body, say): the writes are taken
// and dropped without an error or SIGPIPE, and the descriptor keeps its flags; the answer is
// read whole, then end of file.
TEST_F(ProviderPreload, WritesAfterTheAnswerAreDroppedQuietly) {
    answer_ = 0;
    ChildResult blocked = Probe("answered", kServedHost, "phish.example", "/login.html");
    ChildResult unlisted = Probe("answered", kServedHost, "safe.example", "/login.html");

    EXPECT_EQ(blocked.exitCode, 0) << "the probe ended by a signal: " << blocked.err;
    EXPECT_EQ(blocked.out,
              "answered sent sent nonblock cloexec eof [HTTP/1.1 403 Forbidden] whole\n");
    // The real server answers without reading the second write and closes: its end comes as end
    // of file, or as a reset when that write reached it before the close (timing).
    EXPECT_TRUE(
        unlisted.out == "answered sent sent nonblock cloexec eof [HTTP/1.1 200 OK] whole\n" ||
        unlisted.out == "answered sent sent nonblock cloexec error [HTTP/1.1 200 OK] whole\n")
        << unlisted.out;
    EXPECT_EQ(Reports().size(), 1u);
}

TEST_F(ProviderPreload, BlockedConnectFailsWithConnectionRefused) {
    answer_ = 0;
    ChildResult result = Probe("connect", kListedHost, "x", "/");
    EXPECT_EQ(result.out, "connect fail " + std::to_string(ECONNREFUSED) + "\n");
    ASSERT_EQ(Reports().size(), 1u);
    ExpectRecord(Reports()[0], 1125, kListedHost, "", 'I', HOOKWISE_PROBE_PATH);
}

TEST_F(ProviderPreload, AllowedConnectLeavesErrnoAlone) {
    answer_ = 1;
    EXPECT_EQ(Probe("connect", kListedHost, "x", "/").out, "connect ok errno=4242\n");
    EXPECT_EQ(Probe("connect", kServedHost, "x", "/").out, "connect ok errno=4242\n");
    EXPECT_EQ(Reports().size(), 1u);
}

class RequestCalls : public ProviderPreload, public testing::WithParamInterface<const char*> {};

// Every way of sending the request is seen; on a block the call reports the request sent,
// leaves errno alone, and the program reads the provider's 403 answer instead of the server's.
TEST_P(RequestCalls, ListedRequestIsReportedAndAnsweredForbidden) {
    std::string mode = GetParam();
    answer_ = 0;

    ChildResult blocked = Probe(mode, kServedHost, "phish.example", "/login.html");
    ChildResult unlisted = Probe(mode, kServedHost, "safe.example", "/login.html");

    EXPECT_EQ(blocked.out, mode + " ok errno=4242 reply=HTTP/1.1 403 Forbidden\n") << blocked.err;
    EXPECT_EQ(unlisted.out, mode + " ok errno=4242 reply=HTTP/1.1 200 OK\n") << unlisted.err;
    auto reports = Reports();
    ASSERT_EQ(reports.size(), 1u);
    ExpectRecord(reports[0], 1126, kServedHost, kListedUrl, 'U', HOOKWISE_PROBE_PATH);
}

INSTANTIATE_TEST_SUITE_P(Calls, RequestCalls,
                         testing::Values("send", "write", "writev", "sendmsg", "sendto"));

TEST_F(ProviderPreload, FastOpenSendIsCheckedForHostAndRequest) {
    answer_ = 0;
    ChildResult host = Probe("fastopen", kListedHost, "safe.example", "/ok.html");
    ChildResult request = Probe("fastopen", kServedHost, "phish.example", "/login.html");

    EXPECT_EQ(host.out, "fastopen fail " + std::to_string(ECONNREFUSED) + "\n");
    EXPECT_EQ(request.out, "fastopen ok errno=4242 reply=HTTP/1.1 403 Forbidden\n");
    auto reports = Reports();
    ASSERT_EQ(reports.size(), 2u);
    ExpectRecord(reports[0], 1125, kListedHost, "", 'I', HOOKWISE_PROBE_PATH);
    ExpectRecord(reports[1], 1126, kServedHost, kListedUrl, 'U', HOOKWISE_PROBE_PATH);
}

class TlsCalls : public ProviderPreload, public testing::WithParamInterface<const char*> {};

// A ClientHello naming a host of a listed entry is reported as a URL detection with the server
// name as the address, whichever call writes it; a block fails that write with ECONNRESET. A
// name that only ends like a listed host is not listed.
TEST_P(TlsCalls, ListedServerNameIsReportedAndItsClientHelloRefused) {
    std::string mode = GetParam();
    answer_ = 0;

    ChildResult blocked = Probe(mode, kServedHost, "www.phish.example", "/");
    ChildResult unlisted = Probe(mode, kServedHost, "notphish.example", "/");

    EXPECT_EQ(blocked.out, mode + " fail " + std::to_string(ECONNRESET) + "\n") << blocked.err;
    EXPECT_EQ(unlisted.out, mode + " ok errno=4242\n") << unlisted.err;
    auto reports = Reports();
    ASSERT_EQ(reports.size(), 1u);
    ExpectRecord(reports[0], 1126, kServedHost, "www.phish.example", 'U', HOOKWISE_PROBE_PATH);
}

INSTANTIATE_TEST_SUITE_P(Calls, TlsCalls,
                         testing::Values("tls-send", "tls-write", "tls-writev", "tls-sendmsg",
                                         "tls-sendto", "tls-fastopen"),
                         [](const auto& info) {
                             std::string name = info.param;
                             return name.substr(4);
                         });

TEST_F(ProviderPreload, AllowedServerNameGoesThroughWithErrnoAlone) {
    answer_ = 1;
    EXPECT_EQ(Probe("tls-send", kServedHost, "phish.example", "/").out, "tls-send ok errno=4242\n");
    EXPECT_EQ(Reports().size(), 1u);
}

// A ClientHello split over writes: the part before the name goes out, the write that completes
// the name fails, and so does every later write on that connection.
TEST_F(ProviderPreload, SplitClientHelloIsRefusedAtTheWriteThatCompletesTheName) {
    answer_ = 0;
    std::string reset = std::to_string(ECONNRESET);
    EXPECT_EQ(Probe("tls-split", kServedHost, "phish.example", "/").out,
              "tls-split ok fail " + reset + " fail " + reset + "\n");
    EXPECT_EQ(Probe("tls-split", kServedHost, "other.example", "/").out, "tls-split ok ok ok\n");
    auto reports = Reports();
    ASSERT_EQ(reports.size(), 1u);
    ExpectRecord(reports[0], 1126, kServedHost, "phish.example", 'U', HOOKWISE_PROBE_PATH);
}

// A listed name is refused at its lookup, before any address (or DNS query) is had.
TEST_F(ProviderPreload, LookupOfAListedNameIsReportedAndBlockedAsNoName) {
    answer_ = 0;
    EXPECT_EQ(Probe("visit", kServedHost, "WWW.Phish.Example", "/").out,
              "visit lookup fail " + std::to_string(EAI_NONAME) + "\n");
    auto reports = Reports();
    ASSERT_EQ(reports.size(), 1u);
    ExpectRecord(reports[0], 1126, "", "WWW.Phish.Example", 'U', HOOKWISE_PROBE_PATH);
}

// The older lookups answer a listed name the tray program blocks with "host not found", and
// leave a name that is not listed to the resolver.
TEST_F(ProviderPreload, HostByNameLookupsOfAListedNameAreNotFound) {
    answer_ = 0;
    const std::string notFound = " fail " + std::to_string(HOST_NOT_FOUND);
    EXPECT_EQ(Probe("byname", kServedHost, "www.phish.example", "/").out,
              "byname" + notFound + notFound + notFound + "\n");
    auto reports = Reports();
    ASSERT_FALSE(reports.empty());
    // No service is named, so no port either.
    EXPECT_EQ(reports[0].code, 1126u);
    ASSERT_EQ(reports[0].bytes.size(), 1681u);
    EXPECT_EQ(reports[0].Text(382, 10), "");
    EXPECT_EQ(reports[0].Text(392, 261), "www.phish.example");
    EXPECT_EQ(static_cast<char>(reports[0].bytes[653]), 'U');
    EXPECT_EQ(Probe("byname", kServedHost, "localhost", "/").out, "byname ok ok ok\n");
    EXPECT_EQ(Reports().size(), reports.size());
}

// One visit (lookup, connect, ClientHello) asks once: the connection to an address of a name
// just allowed is not asked about again.
TEST_F(ProviderPreload, OneVisitIsAskedAboutOnce) {
#ifdef HOOKWISE_ASAN_RUNTIME
    GTEST_SKIP() << "the namespace helpers do not start with the sanitizer runtime preloaded";
#endif
    answer_ = 1;
    ChildResult visit = ProbeWithHosts("visit", "www.phish.example");
    if (visit.exitCode == 125)
        GTEST_SKIP() << "no user and mount namespaces here to give the test names an address";
    EXPECT_EQ(visit.out, "visit ok errno=4242\n") << visit.err;
    auto reports = Reports();
    ASSERT_EQ(reports.size(), 1u);
    ExpectRecord(reports[0], 1126, "", "www.phish.example", 'U', HOOKWISE_PROBE_PATH);
}

// An IPv6 host is checked as an IPv4 one; the record's 20-byte host field keeps the start of
// the address and the URL field holds it whole.
TEST_F(ProviderPreload, ListedIPv6HostIsRefusedAndReportedWhole) {
    answer_ = 0;
    EXPECT_EQ(Probe("connect6", kListedIPv6, "x", "/").out,
              "connect6 fail " + std::to_string(ECONNREFUSED) + "\n");
    auto reports = Reports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].code, 1125u);
    EXPECT_EQ(reports[0].Text(362, 20), std::string(kListedIPv6).substr(0, 19));
    EXPECT_EQ(reports[0].Text(392, 261), kListedIPv6);
    EXPECT_EQ(static_cast<char>(reports[0].bytes[653]), 'I');
}

TEST_F(ProviderPreload, DatagramsFilesAndManyThreadsAreLeftAlone) {
    answer_ = 0;
    EXPECT_EQ(Probe("udp", kServedHost, "phish.example", "/login.html").out, "udp ok errno=4242\n");
    EXPECT_EQ(Probe("file", kServedHost, "phish.example", "/login.html").out,
              "file ok errno=4242\n");
    EXPECT_EQ(Probe("threads", kServedHost, "x", "/").out, "threads 200\n");
    EXPECT_TRUE(Reports().empty());
}

// Without the tray program (no channel socket) the provider looks nothing up; once the tray
// program appears, the provider finds it within its re-check interval.
TEST_F(ProviderPreload, TrayProgramStartedLaterIsFound) {
    std::string otherRuntime = folder_->Path() + "/run-later";
    mkdir(otherRuntime.c_str(), 0700);
    mkdir((otherRuntime + "/hookwise").c_str(), 0700);
    std::string flag = folder_->Path() + "/later";
    std::vector<std::string> environment = PreloadEnvironment();
    environment[1] = "XDG_RUNTIME_DIR=" + otherRuntime;
    ChildResult result;
    std::thread child([&] {
        result = RunChild(
            {HOOKWISE_PROBE_PATH, "later", kListedHost, std::to_string(server_->Port()), "x", flag},
            environment);
    });
    struct stat info {};
    testsupport::WaitUntil([&] { return stat((flag + ".first").c_str(), &info) == 0; });
    std::atomic<int> laterReports{0};
    ChannelReceiver later([&](std::uint32_t code, const std::uint8_t*, std::uint32_t) {
        laterReports += code == 1125;
        return 0;
    });
    ASSERT_EQ(later.ListenAt(otherRuntime + "/hookwise/" + kCaption), ERROR_SUCCESS);
    ReceiverLoop loop(later);
    loop.Start();
    close(open((flag + ".go").c_str(), O_WRONLY | O_CREAT, 0600));
    child.join();

    EXPECT_EQ(result.out, "first ok 0\nsecond fail " + std::to_string(ECONNREFUSED) + "\n")
        << result.err;
    EXPECT_EQ(laterReports.load(), 1);
}

// A running program remembers which hosts it looked up; a database replaced meanwhile (new
// definitions) still takes effect for it within the provider's re-check interval.
TEST_F(ProviderPreload, DatabaseReplacedWhileAProgramRunsIsSeen) {
    answer_ = 0;
    std::string database = folder_->Path() + "/app/hkwdb2.pbd";
    std::vector<providertest::DefinitionEntry> original = {{"HostIP", "IP1", "10.255.255.1"},
                                                           {"HostIP", "IP2", kListedHost},
                                                           {"HostLink", "HLINK1", kListedUrl}};
    std::vector<providertest::DefinitionEntry> updated = original;
    updated.insert(updated.begin() + 2, {"HostIP", "IP3", kServedHost}); // within its section
    struct Restore {
        std::string path;
        std::vector<providertest::DefinitionEntry> entries;
        ~Restore() { providertest::WriteWorkingDatabase(path, entries); }
    } restore{database, original};

    std::string flag = folder_->Path() + "/replaced";
    ChildResult result;
    std::thread child([&] {
        result = RunChild(
            {HOOKWISE_PROBE_PATH, "later", kServedHost, std::to_string(server_->Port()), "x", flag},
            PreloadEnvironment());
    });
    struct stat info {};
    testsupport::WaitUntil([&] { return stat((flag + ".first").c_str(), &info) == 0; });
    providertest::WriteWorkingDatabase(database, updated);
    close(open((flag + ".go").c_str(), O_WRONLY | O_CREAT, 0600));
    child.join();

    EXPECT_EQ(result.out, "first ok 0\nsecond fail " + std::to_string(ECONNREFUSED) + "\n")
        << result.err;
    auto reports = Reports();
    ASSERT_EQ(reports.size(), 1u);
    ExpectRecord(reports[0], 1125, kServedHost, "", 'I', HOOKWISE_PROBE_PATH);
}

} // namespace
