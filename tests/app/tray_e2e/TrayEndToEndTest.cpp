// HookWs end to end, offscreen, from a staged program folder with its own registry and runtime
// folder: curl under the interception provider against a loopback HTTP server, decided by the
// site list's permission; the product key after SIGTERM; a refused second start; malformed frames
// on the channel; start-up failures.
#include "core/FileNames.h"
#include "core/ProductKey.h"
#include "core/RegistryValues.h"
#include "core/definitions/BlowfishCipher.h"
#include "core/lists/ListNames.h"
#include "core/lists/MailSafeList.h"
#include "core/lists/WebSiteBlockingList.h"
#include "core/logging/AlertLogStore.h"
#include "core/settings/GeneralSettings.h"
#include "engine/DefinitionIndexFormat.h"
#include "engine/DetectionRecord.h"
#include "engine/LSPGlobals.h"
#include "platform/ProductNames.h"
#include "platform/Registry.h"
#include "platform/Window.h"
#include "tests/platform/channel/ReceiverLoop.h"
#include "tests/provider/HeldRequest.h"
#include "tests/provider/ProviderHarness.h"
#include "tests/support/Files.h"
#include "tests/support/StoredSettings.h"
#include "tests/support/WaitUntil.h"
#include "TrayFixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <random>
#include <set>
#include <thread>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace hookwise::platform;

using namespace hookwise::core;

using traye2e::TrayProcess;

namespace {

using namespace std::chrono_literals;

// A listed address of the shipped definitions ("HLINK2"), asked for through a loopback server.
constexpr char kListedSite[] = "secure-paypa1-login.example";
constexpr char kListedPath[] = "/login";
constexpr char kPreviousInstance[] =
    "Can't open application because there is a previous instance running.";

class TrayEndToEnd : public testing::Test {
protected:
    void SetUp() override {
        root_ = folder_.Path();
        program_ = root_ + "/program";
        traye2e::StageProgramFolder(program_);
        dataFolder_ = program_;
        // This process reads and writes the same registry and reaches the same channel.
        traye2e::EnterTrayEnvironment(root_, Environment());
    }

    void TearDown() override {
        tray_.Signal(SIGKILL);
        tray_.Wait(5000);
        RegistryReopenForTesting();
    }

    std::vector<std::string> Environment() const {
        std::vector<std::string> environment = traye2e::TrayEnvironment(root_, program_);
        if (withoutRuntimeFolder_)
            std::erase_if(environment, [](const std::string& entry) {
                return entry.rfind("XDG_RUNTIME_DIR=", 0) == 0;
            });
        return environment;
    }

    // The settings a user left before this start.
    void SetSitePermission(std::int32_t permission) {
        ASSERT_TRUE(traye2e::SetSitePermission(permission));
    }

    // Starts HookWs and waits until its channel answers.
    void StartTray() {
        ASSERT_TRUE(tray_.Start(program_ + "/HookWs", {}, Environment(), root_ + "/tray.out"));
        ASSERT_TRUE(traye2e::WaitForChannel(tray_, root_ + "/tray.out"));
        ASSERT_TRUE(std::filesystem::exists(WorkingCopy()));
        ASSERT_TRUE(std::filesystem::exists(Index())) << "the index is made before the copy";
    }

    // Ends HookWs as the session's end does.
    void StopTray() {
        ASSERT_TRUE(tray_.Signal(SIGTERM));
        EXPECT_EQ(tray_.Wait(60000), 0) << traye2e::ReadFile(root_ + "/tray.out");
    }

    std::string WorkingCopy() const { return dataFolder_ + "/hkwdb2.pbd"; }
    std::string Index() const { return dataFolder_ + "/hkwdb2.pbi"; }

    LRESULT Report(std::uint32_t code, const DetectionRecord& record) {
        return SendCopyData(FindWindowA(nullptr, kHandlerCaption), code, &record, sizeof record);
    }

    static DetectionRecord UrlRecord(const char* url) {
        DetectionRecord record;
        ClearRecord(record);
        FillSender(record, "/usr/bin/probe");
        FillEndpoint(record, "127.0.0.1", "80");
        CopyField(record.web.url, url);
        record.web.kind = kKindUrl;
        return record;
    }

    providertest::ChildResult Curl(const std::string& site = kListedSite,
                                   const std::string& path = kListedPath) {
        std::string url = "http://127.0.0.1:" + std::to_string(server_.Port()) + path;
        std::vector<std::string> environment = Environment();
        environment.push_back(std::string("LD_PRELOAD=") + program_ + "/libhookswp_lsp.so");
        return providertest::RunChild(
            {"curl", "-s", "-S", "--noproxy", "*", "--max-time", "20", "-H", "Host: " + site, url},
            environment);
    }

    // With every listed site allowed, curl under the provider loads the listed page: the report
    // reached the running HookWs (without an answer the provider refuses it).
    void AllowAllAndLoadTheListedUrl() {
        SetSitePermission(kPermissionAllowAll);
        ASSERT_TRUE(server_.Start({"127.0.0.1"}));
        StartTray();
        const providertest::ChildResult result = Curl();
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.out, "hello");
        StopTray();
    }

    // Whether curl under the provider loads the page of site.
    bool Loads(const std::string& site) {
        const providertest::ChildResult result = Curl(site);
        return result.exitCode == 0 && result.out == "hello";
    }

    // A listed URL is answered by the provider with its 403 page, never the server's.
    static void ExpectRefused(const providertest::ChildResult& result, int request = 0) {
        EXPECT_EQ(result.exitCode, 0) << "request " << request << ": " << result.err;
        EXPECT_NE(result.out.find("<h1>Blocked by Hookwise</h1>"), std::string::npos)
            << "request " << request << " was not refused: " << result.out;
    }

    channeltest::TempFolder folder_;
    bool withoutRuntimeFolder_ = false; // a session without XDG_RUNTIME_DIR
    std::string root_;
    std::string program_;
    std::string dataFolder_; // where HookWs writes at run time
    TrayProcess tray_;
    providertest::HttpServer server_;
};

#ifdef HOOKWISE_SANITIZED
#define SKIP_UNDER_SANITIZER()                                                                     \
    GTEST_SKIP() << "an instrumented preload library cannot be loaded into curl; the channel "     \
                    "tests below cover this build"
#else
#define SKIP_UNDER_SANITIZER()                                                                     \
    do {                                                                                           \
    } while (false)
#endif

// A shipped definition file of count entries in all, most of them web addresses, with the listed
// site of the tests as the last HostLink entry (where a walk finds it last).
std::string MillionEntryShippedFile(long count,
                                    const std::string& listed = std::string(kListedSite) +
                                                                kListedPath,
                                    const std::string& version = "12/01/2026") {
    std::string text = std::string(16, ' '); // the first line, which deciphering replaces
    auto line = [&text](const std::string& key, const std::string& value) {
        text.append(CLSPGlobals::EncryptString(key)).append("=");
        text.append(CLSPGlobals::EncryptString(value)).append("\r\n");
    };
    const long small = count / 20; // IP, From, Subject, Text: 5 % each; Link 20 %; HostLink 60 %
    const long links = count / 5;
    const long hostLinks = count - 4 * small - links;
    text.append("[").append(CLSPGlobals::EncryptString("HostIP")).append("]\r\n");
    for (long i = 1; i <= small; ++i)
        line("IP" + std::to_string(i),
             "10.9." + std::to_string(i / 256 % 256) + "." + std::to_string(i % 256));
    text.append("[").append(CLSPGlobals::EncryptString("HostLink")).append("]\r\n");
    for (long i = 1; i < hostLinks; ++i)
        line("HLINK" + std::to_string(i),
             "phish" + std::to_string(i * 7919 % 1000003) + ".example/login/" + std::to_string(i));
    line("HLINK" + std::to_string(hostLinks), listed);
    text.append("[").append(CLSPGlobals::EncryptString("Link")).append("]\r\n");
    for (long i = 1; i <= links; ++i)
        line("CLINK" + std::to_string(i), "href=\"http://pay" + std::to_string(i) + ".example");
    const char* const sections[][2] = {{"From", "FROM"}, {"Subject", "SUB"}, {"Text", "TXT"}};
    for (const auto& [section, prefix] : sections) {
        text.append("[").append(CLSPGlobals::EncryptString(section)).append("]\r\n");
        for (long i = 1; i <= small; ++i)
            line(prefix + std::to_string(i), std::string(section) + " entry " + std::to_string(i));
    }
    text.resize((text.size() + 7) / 8 * 8, ' ');
    const BlowfishCipher cipher(reinterpret_cast<const unsigned char*>(kDefinitionFileKey),
                                kDefinitionFileKeyLength);
    std::string shipped(text.size(), '\0');
    cipher.Encipher(reinterpret_cast<const unsigned char*>(text.data()),
                    reinterpret_cast<unsigned char*>(shipped.data()), text.size());
    std::string header = version;
    header.resize(14, ' ');
    shipped.replace(0, 16, header + "\r\n");
    return shipped;
}

// Puts content at path as the update program does: written beside it, renamed into place.
void RenameIntoPlace(const std::string& path, const std::string& content) {
    testsupport::WriteFile(path + ".new", content);
    std::filesystem::rename(path + ".new", path);
}

// A site only the updated definitions list.
constexpr char kNewlyListedSite[] = "fresh-phish.example";

TEST_F(TrayEndToEnd, BlockAllRefusesAListedUrlAndElevenMakeOneHighEntry) {
    SKIP_UNDER_SANITIZER();
    SetSitePermission(kPermissionBlockAll);
    ASSERT_TRUE(server_.Start({"127.0.0.1"}));
    StartTray();

    for (int i = 0; i < 11; ++i)
        ExpectRefused(Curl(), i);
    StopTray();

    EXPECT_FALSE(std::filesystem::exists(WorkingCopy()));
    EXPECT_FALSE(std::filesystem::exists(Index()));
    const StoredSettings stored;
    ASSERT_EQ(stored.log.Count(), 1);
    const AlertLogEntry entry = stored.log.EntryAt(0);
    EXPECT_EQ(entry.ActionTaken, "Block");
    EXPECT_EQ(entry.Count, 11);
    EXPECT_EQ(entry.Rating, "High");
    EXPECT_EQ(entry.Type, "URL");
    EXPECT_EQ(entry.Program, "curl");
    EXPECT_EQ(entry.StrictedData, std::string(kListedSite) + kListedPath);
    EXPECT_EQ(entry.HostIP, "127.0.0.1");
    ASSERT_EQ(stored.web.Count(), 1);
    EXPECT_EQ(stored.web.ItemAt(0).Action, kActionAsk);
    EXPECT_EQ(stored.web.Permission, kPermissionBlockAll);
    EXPECT_EQ(stored.settings.NoOfBlockedInstructions, 11u);

    // The product key as the save lays it out: the language, the definitions version and the
    // four stores; "App Path" went with the old key.
    RegKey product;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kProductKeyPath, 0, KEY_READ, product.Put()),
              ERROR_SUCCESS);
    std::set<std::string> values;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        if (RegEnumValueA(product.Get(), i, name, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        values.insert(name);
    }
    EXPECT_EQ(values, (std::set<std::string>{"LANGUAGE", "DefnsVersion"}));
    std::set<std::string> subkeys;
    for (DWORD i = 0; RegEnumKeyA(product.Get(), i, name, sizeof name) == ERROR_SUCCESS; ++i)
        subkeys.insert(name);
    EXPECT_EQ(subkeys,
              (std::set<std::string>{"AlertandLog", "MailSafe", "Overview", "WebSiteBlocking"}));
    std::string text;
    EXPECT_TRUE(ReadRegText(product.Get(), "LANGUAGE", text));
    EXPECT_EQ(text, EncodeFileName("English"));
    EXPECT_TRUE(ReadRegText(product.Get(), "DefnsVersion", text));
    EXPECT_EQ(text, HOOKWISE_DEFINITIONS_VERSION);
}

using testsupport::WriteFile;

// Every file below folder, with its size and modification time.
std::set<std::string> FolderListing(const std::string& folder) {
    std::set<std::string> listing;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        std::string line = entry.path().string();
        if (entry.is_regular_file())
            line += " " + std::to_string(entry.file_size()) + " " +
                    std::to_string(entry.last_write_time().time_since_epoch().count());
        listing.insert(line);
    }
    return listing;
}

TEST_F(TrayEndToEnd, PackagedProgramFolderIsOnlyReadAndTheEngineFindsTheUserCopy) {
    SKIP_UNDER_SANITIZER();
    // The program folder as the system package installs it: shared by every user, marked so.
    WriteFile(program_ + "/" + kSystemInstallMarker, "system package\n");
    std::filesystem::create_directories(program_ + "/61/17422"); // the language packs' folder
    const std::string page =
        traye2e::ReadFile(std::string(HOOKWISE_SOURCE_DIR) + "/data/pages/hkwpm.htm");
    WriteFile(program_ + "/hkwpm.htm", page);
    SetSitePermission(kPermissionBlockAll);
    ASSERT_TRUE(server_.Start({"127.0.0.1"}));
    const std::set<std::string> shipped = FolderListing(program_);
    dataFolder_ = root_ + "/data/hookwise";

    StartTray();
    struct stat info {};
    ASSERT_EQ(stat(dataFolder_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(traye2e::ReadFile(dataFolder_ + "/hkwpm.htm"), page);
    // Written once the settings (and with them the language) are loaded, just after the channel
    // opens.
    EXPECT_TRUE(testsupport::WaitUntil(
        [&] { return std::filesystem::exists(dataFolder_ + "/" + kBlockedRequestPageFile); }, 10s))
        << "the page the provider answers a blocked request with";
    {
        RegKey product;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kProductKeyPath, 0, KEY_READ, product.Put()),
                  ERROR_SUCCESS);
        std::string appPath;
        EXPECT_TRUE(ReadRegText(product.Get(), "App Path", appPath));
        EXPECT_EQ(appPath, dataFolder_);
    }
    // The provider in curl finds the working copy through "App Path".
    ExpectRefused(Curl());
    StopTray();

    EXPECT_FALSE(std::filesystem::exists(WorkingCopy()));
    EXPECT_TRUE(std::filesystem::exists(dataFolder_ + "/hkwpm.htm"))
        << "the browser host shows the warning page while HookWs is not running, too";
    EXPECT_EQ(FolderListing(program_), shipped);
    const StoredSettings stored;
    ASSERT_EQ(stored.log.Count(), 1);
    EXPECT_EQ(stored.log.EntryAt(0).ActionTaken, "Block");
    EXPECT_EQ(stored.log.LogFilePath, dataFolder_ + "/HookWsLOG.log");
}

// A link planted at the user's data folder is never written through: the start ends with a
// message that names the folder.
TEST_F(TrayEndToEnd, ALinkAtTheDataFolderIsRefusedWithAMessage) {
    WriteFile(program_ + "/" + kSystemInstallMarker, "system package\n");
    std::filesystem::create_directories(root_ + "/data");
    std::filesystem::create_directories(root_ + "/elsewhere");
    std::filesystem::create_directory_symlink(root_ + "/elsewhere", root_ + "/data/hookwise");
    const std::string output = root_ + "/tray.out";
    ASSERT_TRUE(tray_.Start(program_ + "/HookWs", {}, Environment(), output));
    EXPECT_EQ(tray_.Wait(60000), 1);
    EXPECT_NE(traye2e::ReadFile(output).find(root_ + "/data/hookwise\nThat is a link"),
              std::string::npos)
        << traye2e::ReadFile(output);
    EXPECT_TRUE(std::filesystem::is_empty(root_ + "/elsewhere"));
}

TEST_F(TrayEndToEnd, AllowAllLetsTheListedUrlLoad) {
    SKIP_UNDER_SANITIZER();
    AllowAllAndLoadTheListedUrl();

    const StoredSettings stored;
    ASSERT_EQ(stored.log.Count(), 1);
    EXPECT_EQ(stored.log.EntryAt(0).ActionTaken, "Allow");
    EXPECT_EQ(stored.settings.NoOfBlockedInstructions, 0u);
}

TEST_F(TrayEndToEnd, SecondStartShowsThePreviousInstanceMessageAndLeavesTheWorkingCopy) {
    StartTray();
    struct stat before {};
    ASSERT_EQ(stat(WorkingCopy().c_str(), &before), 0);

    const providertest::ChildResult second =
        providertest::RunChild({program_ + "/HookWs"}, Environment(), 60);

    EXPECT_EQ(second.exitCode, 1);
    EXPECT_NE(second.err.find(kPreviousInstance), std::string::npos) << second.err;
    struct stat after {};
    ASSERT_EQ(stat(WorkingCopy().c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    // The first instance goes on deciding.
    EXPECT_TRUE(tray_.Running());
    EXPECT_EQ(Report(kReportHost, UrlRecord("x")), 1); // wrong kind: answered 1, no trace
    StopTray();
    EXPECT_FALSE(std::filesystem::exists(WorkingCopy()));
}

// Opens a raw connection to the channel.
int Connect(const std::string& path) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

void SendBytes(int fd, const void* data, std::size_t size) {
    [[maybe_unused]] ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
}

// Waits for the receiver to close a connection (or answer): the bytes it sent back.
std::string Drain(int fd) {
    timeval wait{10, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    std::string got;
    char buffer[64];
    for (;;) {
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
}

TEST_F(TrayEndToEnd, MalformedFramesNeverDisturbTheRunningProgram) {
    SetSitePermission(kPermissionBlockAll);
    StartTray();
    const std::string path = ChannelPath(kHandlerCaption);
    const DetectionRecord record = UrlRecord("phish.example/login.html");

    // A frame announcing more than the channel carries is dropped with its connection.
    {
        const int fd = Connect(path);
        ASSERT_GE(fd, 0);
        const std::uint32_t header[2] = {kReportUrl, 70000};
        SendBytes(fd, header, sizeof header);
        EXPECT_EQ(Drain(fd), "");
        close(fd);
    }
    // Half a header, half a record, and garbage, each followed by the sender going away.
    for (const std::string& bytes :
         {std::string("\x66\x04", 2),
          std::string("\x66\x04\x00\x00\x91\x06\x00\x00", 8) + std::string(100, 'A'),
          std::string(37, '\xff')}) {
        const int fd = Connect(path);
        ASSERT_GE(fd, 0);
        SendBytes(fd, bytes.data(), bytes.size());
        shutdown(fd, SHUT_WR);
        EXPECT_EQ(Drain(fd), "");
        close(fd);
    }
    // A connection that stays open in the middle of a frame keeps nobody else waiting.
    const int stalled = Connect(path);
    ASSERT_GE(stalled, 0);
    SendBytes(stalled, "\x66\x04\x00", 3);

    // Wrong codes and kinds are answered without a trace; a whole report still works, twice.
    EXPECT_EQ(Report(1128, record), 0);
    EXPECT_EQ(Report(kReportHost, record), 1);
    DetectionRecord mail = record;
    mail.mail.kind = 'X';
    EXPECT_EQ(Report(kReportMail, mail), 1);
    EXPECT_EQ(SendCopyData(FindWindowA(nullptr, kHandlerCaption), kReportUrl, &record, 10), 1);
    EXPECT_EQ(Report(kReportUrl, record), 0);
    EXPECT_EQ(Report(kReportUrl, record), 0);
    close(stalled);

    EXPECT_TRUE(tray_.Running());
    StopTray();
    const StoredSettings stored;
    ASSERT_EQ(stored.log.Count(), 1);
    EXPECT_EQ(stored.log.EntryAt(0).Count, 2);
    EXPECT_EQ(stored.log.EntryAt(0).Program, "probe");
    EXPECT_EQ(stored.web.Count(), 1);
    EXPECT_EQ(stored.settings.NoOfBlockedInstructions, 2u);
}

struct StartFailureRow {
    const char* name;
    const char* shipped; // null: no shipped file; "" keeps the staged one
    const char* message;
    bool folderAtWorkingCopy = false;
    bool fifo = false; // a FIFO in the shipped file's place
};

void PrintTo(const StartFailureRow& row, std::ostream* os) {
    *os << row.name;
}

const StartFailureRow kStartFailureRows[] = {
    {"NoShippedDefinitions", nullptr, "Error Initializing the Application (Err 1001)."},
    {"VersionNotADate", "2026/12/01    \r\nABCDEFGH",
     "Error Initializing the Application (Err 1002)."},
    {"LengthNotAMultipleOfEight", "12/01/2026    \r\nABC",
     "Error Initializing the Application (Err 1003). Incorrect buffer length."},
    {"WorkingCopyBlockedByFolder", "", "Error Initializing the Application (Err 1002).", true},
    {"FifoAtTheDefinitionsPath", nullptr, "Error Initializing the Application (Err 1002).", false,
     true},
};

class TrayStartFailure : public TrayEndToEnd,
                         public testing::WithParamInterface<StartFailureRow> {};

TEST_P(TrayStartFailure, ShowsItsMessageAndEnds) {
    const StartFailureRow& row = GetParam();
    const std::string shipped = program_ + "/hkwdb1.pbd";
    if (row.folderAtWorkingCopy)
        std::filesystem::create_directories(WorkingCopy() + "/inside");
    if (!row.shipped || row.shipped[0])
        std::filesystem::remove(shipped);
    if (row.fifo) {
        ASSERT_EQ(mkfifo(shipped.c_str(), 0600), 0);
    }
    if (row.shipped && row.shipped[0]) {
        std::FILE* file = std::fopen(shipped.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fwrite(row.shipped, 1, std::strlen(row.shipped), file);
        std::fclose(file);
    }
    const providertest::ChildResult result =
        providertest::RunChild({program_ + "/HookWs"}, Environment(), 60);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find(row.message), std::string::npos) << result.err;
    EXPECT_EQ(std::filesystem::exists(WorkingCopy()), row.folderAtWorkingCopy);
    EXPECT_FALSE(std::filesystem::is_regular_file(WorkingCopy()));
    EXPECT_EQ(FindWindowA(nullptr, kHandlerCaption), nullptr);
}

INSTANTIATE_TEST_SUITE_P(StartUp, TrayStartFailure, testing::ValuesIn(kStartFailureRows),
                         [](const testing::TestParamInfo<StartFailureRow>& info) {
                             return std::string(info.param.name);
                         });

// Every decision is saved within a second of its answer, in one transaction per batch: HookWs
// killed (-9) at random points of a stream of detections loses none answered more than a second
// before the kill (list item, log entry, counter), and the registry file stays whole.
TEST_F(TrayEndToEnd, KillDuringAStreamOfDetectionsLosesNothingOlderThanASecond) {
    SetSitePermission(kPermissionBlockAll);
    std::mt19937 random(24);
    int next = 0;
    std::uint32_t savedBefore = 0; // blocked decisions older than a second, all rounds
    for (int round = 0; round < 3; ++round) {
        StartTray();
        std::vector<std::pair<std::string, std::chrono::steady_clock::time_point>> answered;
        const auto killAt =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(1500 + random() % 2000);
        while (std::chrono::steady_clock::now() < killAt) {
            const std::string url = "stream" + std::to_string(next++) + ".example/x";
            ASSERT_EQ(Report(kReportUrl, UrlRecord(url.c_str())), 0);
            answered.emplace_back(url, std::chrono::steady_clock::now());
            std::this_thread::sleep_for(std::chrono::milliseconds(random() % 20));
        }
        const auto killed = std::chrono::steady_clock::now();
        ASSERT_TRUE(tray_.Signal(SIGKILL));
        tray_.Wait(5000);

        const providertest::ChildResult check = providertest::RunChild(
            {"python3", "-c",
             "import sqlite3, sys; "
             "print(sqlite3.connect(sys.argv[1]).execute('PRAGMA integrity_check').fetchone()[0])",
             std::getenv("HOOKWISE_REGISTRY")},
            {});
        EXPECT_EQ(check.out, "ok\n") << check.err;

        RegistryReopenForTesting();
        const StoredSettings stored;
        std::set<std::string> items;
        std::set<std::string> entries;
        for (int i = 0; i < stored.web.Count(); ++i)
            items.insert(stored.web.ItemAt(i).ScamSite);
        for (int i = 0; i < stored.log.Count(); ++i)
            entries.insert(stored.log.EntryAt(i).StrictedData);
        for (const auto& [url, when] : answered) {
            if (killed - when <= std::chrono::seconds(1))
                continue;
            ++savedBefore;
            EXPECT_TRUE(items.count(url)) << "round " << round << ": list item " << url;
            EXPECT_TRUE(entries.count(url)) << "round " << round << ": log entry " << url;
        }
        EXPECT_GE(stored.settings.NoOfBlockedInstructions, savedBefore) << "round " << round;
        EXPECT_GT(savedBefore, 0u);
    }
}

// Protection that is off although switched on is never silent: the definitions deciphered into
// noise, or a runtime folder the program cannot use, are told in the message box and a tray
// message (and the overview) while the program runs on.
TEST_F(TrayEndToEnd, ProtectionOffIsNeverSilent) {
    const std::string output = root_ + "/tray.out";
    auto told = [&](const char* text) {
        return testsupport::WaitUntil(
            [&] { return traye2e::ReadFile(output).find(text) != std::string::npos; }, 60s);
    };

    // A valid header in front of a damaged body.
    std::string damaged = "12/01/2026    \r\n";
    for (int i = 0; i < 4096; ++i)
        damaged += static_cast<char>((i * 7919 + 13) % 251);
    testsupport::WriteFile(program_ + "/hkwdb1.pbd", damaged);
    ASSERT_TRUE(tray_.Start(program_ + "/HookWs", {}, Environment(), output));
    ASSERT_TRUE(traye2e::WaitForChannel(tray_, output));
    EXPECT_TRUE(told("The phishing definitions are damaged")) << traye2e::ReadFile(output);
    EXPECT_TRUE(told("You are not protected"));
    StopTray();

    // Someone else's link in place of the runtime folder: no channel, and the user is told.
    std::filesystem::copy_file(DEFINITIONS_PATH, program_ + "/hkwdb1.pbd",
                               std::filesystem::copy_options::overwrite_existing);
    const std::string squatted = root_ + "/squatted-run";
    std::filesystem::create_directories(squatted);
    std::filesystem::create_directories(root_ + "/elsewhere");
    std::filesystem::create_directory_symlink(root_ + "/elsewhere", squatted + "/hookwise");
    std::vector<std::string> environment = Environment();
    for (std::string& entry : environment) {
        if (entry.rfind("XDG_RUNTIME_DIR=", 0) == 0)
            entry = "XDG_RUNTIME_DIR=" + squatted;
    }
    std::filesystem::remove(output);
    ASSERT_TRUE(tray_.Start(program_ + "/HookWs", {}, environment, output));
    EXPECT_TRUE(told("Hookwise cannot receive detection reports")) << traye2e::ReadFile(output);
    EXPECT_TRUE(told("You are not protected"));
    EXPECT_TRUE(tray_.Running());
    EXPECT_TRUE(std::filesystem::is_empty(root_ + "/elsewhere"));
    StopTray();
}

// Without XDG_RUNTIME_DIR, the runtime folder's old predictable name taken first by someone else
// changes nothing: the program makes a private folder of its own, tells its senders where, and a
// listed page the user allows loads (with no channel the provider would refuse it).
TEST_F(TrayEndToEnd, ATakenTmpFolderNameLeavesTheProgramProtected) {
    SKIP_UNDER_SANITIZER();
    const std::string squatted = "/tmp/hookwise-" + std::to_string(getuid());
    std::error_code error;
    if (std::filesystem::symlink_status(squatted, error).type() !=
        std::filesystem::file_type::not_found)
        GTEST_SKIP() << squatted << " exists already; it is left alone";
    std::filesystem::create_directories(root_ + "/elsewhere");
    std::filesystem::create_directory_symlink(root_ + "/elsewhere", squatted);
    struct RemoveSquat {
        std::string path;
        ~RemoveSquat() { std::filesystem::remove(path); }
    } removeSquat{squatted};

    withoutRuntimeFolder_ = true;
    AllowAllAndLoadTheListedUrl();
    EXPECT_TRUE(std::filesystem::is_empty(root_ + "/elsewhere"));
    EXPECT_EQ(traye2e::ReadFile(root_ + "/tray.out").find("cannot receive detection reports"),
              std::string::npos);
}

// A database of a million entries: HookWs writes its index at start-up, the provider in curl
// refuses the listed site from it, and another program's first lookups map the index instead of
// parsing the definitions (a parse of a million entries would add far over 100 MB of private
// memory to it).
TEST_F(TrayEndToEnd, AMillionEntryDatabaseIsAnsweredFromItsIndex) {
    SKIP_UNDER_SANITIZER();
    {
        std::ofstream out(program_ + "/hkwdb1.pbd", std::ios::binary | std::ios::trunc);
        const std::string shipped = MillionEntryShippedFile(1000000);
        out.write(shipped.data(), static_cast<std::streamsize>(shipped.size()));
    }
    SetSitePermission(kPermissionBlockAll);
    ASSERT_TRUE(server_.Start({"127.0.0.1"}));
    StartTray();
    ASSERT_TRUE(std::filesystem::exists(Index()));

    ExpectRefused(Curl());

    std::vector<std::string> environment = Environment();
    const std::vector<std::string> curl = {"curl",       "-s", "--noproxy", "*",
                                           "--max-time", "20", "{URL}fine"};
    environment.push_back("LD_PRELOAD=");
    const providertest::HeldRequest without = providertest::HoldRequest(curl, environment);
    environment.back() = "LD_PRELOAD=" + program_ + "/libhookswp_lsp.so";
    const providertest::HeldRequest with = providertest::HoldRequest(curl, environment);
    ASSERT_TRUE(without.arrived);
    ASSERT_TRUE(with.arrived) << "an unlisted request goes through";
    EXPECT_EQ(with.exitCode, 0);
    EXPECT_LT(with.privateDirtyKb - without.privateDirtyKb, 4096)
        << "curl under the provider holds " << with.privateDirtyKb << " kB, without it "
        << without.privateDirtyKb << " kB";
    StopTray();
    EXPECT_FALSE(std::filesystem::exists(WorkingCopy()));
    EXPECT_FALSE(std::filesystem::exists(Index()));
}

} // namespace

namespace {

std::string StoredDefinitionsVersion() {
    RegKey product;
    std::string version;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kProductKeyPath, 0, KEY_READ, product.Put()) ==
        ERROR_SUCCESS)
        ReadRegText(product.Get(), "DefnsVersion", version);
    return version;
}

TEST_F(TrayEndToEnd, NewDefinitionsAreTakenWithinASecondWithoutARestart) {
    SKIP_UNDER_SANITIZER();
    SetSitePermission(kPermissionBlockAll);
    ASSERT_TRUE(server_.Start({"127.0.0.1"}));
    StartTray();
    ASSERT_FALSE(Loads(kListedSite));
    ASSERT_TRUE(Loads(kNewlyListedSite));

    // The update program's new definitions: the new site listed, the old one no longer.
    const std::string definitions = dataFolder_ + "/hkwdb1.pbd";
    const auto start = std::chrono::steady_clock::now();
    RenameIntoPlace(definitions, MillionEntryShippedFile(
                                     100, std::string(kNewlyListedSite) + "/login", "12/31/2098"));
    bool refused = false;
    while (std::chrono::steady_clock::now() - start < 10s && !refused) {
        refused = !Loads(kNewlyListedSite);
        if (!refused)
            std::this_thread::sleep_for(20ms);
    }
    const auto taken = std::chrono::steady_clock::now() - start;
    ASSERT_TRUE(refused) << traye2e::ReadFile(root_ + "/tray.out");
    EXPECT_LT(taken, 1500ms) << "the new definitions took "
                             << std::chrono::duration_cast<std::chrono::milliseconds>(taken).count()
                             << " ms, with curl's own start";
    EXPECT_TRUE(Loads(kListedSite)) << "the old definitions are gone";
    EXPECT_TRUE(tray_.Running());
    EXPECT_EQ(StoredDefinitionsVersion(), "12/31/2098");

    // Older definitions, and a damaged file, are refused: protection goes on unchanged.
    RenameIntoPlace(definitions, MillionEntryShippedFile(100, std::string(kListedSite) + "/login",
                                                         "01/01/2000"));
    std::string noise = "12/31/2099    \r\n";
    for (int i = 0; noise.size() < 8192; ++i)
        noise += static_cast<char>(i * 7919 % 251);
    std::this_thread::sleep_for(300ms);
    RenameIntoPlace(definitions, noise);
    std::this_thread::sleep_for(700ms);
    EXPECT_FALSE(Loads(kNewlyListedSite));
    EXPECT_TRUE(Loads(kListedSite));
    EXPECT_EQ(StoredDefinitionsVersion(), "12/31/2098");
    StopTray();
    const std::string said = traye2e::ReadFile(root_ + "/tray.out");
    EXPECT_NE(said.find("older definitions (01/01/2000)"), std::string::npos) << said;
    EXPECT_NE(said.find("does not decipher into definitions"), std::string::npos) << said;
}

TEST_F(TrayEndToEnd, AStartAfterAnUpdateUsesTheUpdatedSetAndReusesItsIndex) {
    SKIP_UNDER_SANITIZER();
    // Installed: the user's updated definitions lie in the data folder, newer than the package's.
    WriteFile(program_ + "/" + kSystemInstallMarker, "system package\n");
    dataFolder_ = root_ + "/data/hookwise";
    std::filesystem::create_directories(dataFolder_);
    std::filesystem::permissions(dataFolder_, std::filesystem::perms::owner_all);
    WriteFile(dataFolder_ + "/hkwdb1.pbd",
              MillionEntryShippedFile(100, std::string(kNewlyListedSite) + "/login", "12/31/2098"));
    SetSitePermission(kPermissionBlockAll);
    ASSERT_TRUE(server_.Start({"127.0.0.1"}));

    StartTray();
    EXPECT_FALSE(Loads(kNewlyListedSite));
    EXPECT_TRUE(Loads(kListedSite));
    EXPECT_EQ(StoredDefinitionsVersion(), "12/31/2098");
    StopTray();
    // The index is kept for the next start, and that start's index is a copy of it.
    const std::string cache = dataFolder_ + "/hkwdb1.pbi";
    ASSERT_TRUE(std::filesystem::exists(cache));
    const std::string kept = traye2e::ReadFile(cache);

    StartTray();
    const std::string index = traye2e::ReadFile(Index());
    ASSERT_EQ(index.size(), kept.size());
    constexpr std::size_t kHeader = sizeof(definition_index::Header);
    EXPECT_EQ(index.substr(kHeader), kept.substr(kHeader)) << "the kept index was copied";
    EXPECT_FALSE(Loads(kNewlyListedSite));
    StopTray();
}

} // namespace
