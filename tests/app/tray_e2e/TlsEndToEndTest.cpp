// HTTPS end to end: HookWs running offscreen with the shipped definitions, real clients (curl,
// wget, Python's urllib) under the interception provider against a small TLS server on
// 127.0.0.1 with a certificate made for the test. A listed server name is refused on the user's
// Block and logged; an unlisted one loads with the same TLS handshake as without the provider.
#include "core/ProductKey.h"
#include "core/lists/ListNames.h"
#include "core/lists/WebSiteBlockingList.h"
#include "core/logging/AlertLogStore.h"
#include "platform/ProductNames.h"
#include "platform/Registry.h"
#include "platform/Window.h"
#include "tests/platform/channel/ReceiverLoop.h"
#include "tests/provider/ProviderHarness.h"
#include "tests/support/StoredSettings.h"
#include "tests/support/TlsServer.h"
#include "TrayFixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace hookwise::platform;

using namespace hookwise::core;

extern char** environ;

namespace {

using namespace std::chrono_literals;

// A host of the shipped definitions' HostLink entries, and a name no entry lists.
constexpr char kListedName[] = "secure-paypa1-login.example";
constexpr char kUnlistedName[] = "safe-shop.example";

struct ClientRow {
    const char* name;
    const char* program; // as the alert log names it
    bool needsHostsFile; // the name resolves only through a hosts file of the test's own
};

void PrintTo(const ClientRow& row, std::ostream* os) {
    *os << row.name;
}

const ClientRow kClients[] = {
    {"curl", "curl", false},
    {"wget", "wget", true},
    {"python", "python3.11", true},
};

class TlsEndToEnd : public testing::TestWithParam<ClientRow> {
protected:
    void SetUp() override {
        root_ = folder_.Path();
        program_ = root_ + "/program";
        traye2e::StageProgramFolder(program_);
        traye2e::EnterTrayEnvironment(root_, Environment());

        // A certificate for both names, made now; the clients are told not to verify it.
        cert_ = root_ + "/cert.pem";
        key_ = root_ + "/key.pem";
        auto made = providertest::RunChild(
            {"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
             "-nodes", "-keyout", key_, "-out", cert_, "-days", "1", "-subj", "/CN=hookwise-test",
             "-addext", std::string("subjectAltName=DNS:") + kListedName + ",DNS:" + kUnlistedName},
            {});
        ASSERT_EQ(made.exitCode, 0) << made.err;
        hosts_ = root_ + "/hosts";
        std::ofstream(hosts_) << "127.0.0.1 localhost " << kListedName << " " << kUnlistedName
                              << "\n";
        ASSERT_TRUE(server_.Start(cert_, key_, root_ + "/tls.log"));
    }

    void TearDown() override {
        server_.Stop();
        tray_.Signal(SIGKILL);
        tray_.Wait(5000);
        RegistryReopenForTesting();
    }

    std::vector<std::string> Environment() const {
        std::vector<std::string> environment = traye2e::TrayEnvironment(root_, program_);
        // The clients fetch from 127.0.0.1 directly, whatever proxy the machine names.
        environment.insert(environment.end(), {"no_proxy=*", "NO_PROXY=*"});
        return environment;
    }

    void SetSitePermission(std::int32_t permission) {
        ASSERT_TRUE(traye2e::SetSitePermission(permission));
    }

    void StartTray() {
        ASSERT_TRUE(tray_.Start(program_ + "/HookWs", {}, Environment(), root_ + "/tray.out"));
        ASSERT_TRUE(traye2e::WaitForChannel(tray_, root_ + "/tray.out"));
    }

    void StopTray() {
        ASSERT_TRUE(tray_.Signal(SIGTERM));
        EXPECT_EQ(tray_.Wait(60000), 0) << traye2e::ReadFile(root_ + "/tray.out");
    }

    // The client's command for https://NAME:PORT/verify, printing the body.
    std::vector<std::string> Command(const ClientRow& row, const std::string& name) const {
        std::string port = std::to_string(server_.Port());
        std::string url = "https://" + name + ":" + port + "/verify";
        std::vector<std::string> command;
        if (std::string(row.name) == "curl")
            return {"curl", "-s",         "-S", "-k",        "--noproxy",
                    "*",    "--max-time", "20", "--resolve", name + ":" + port + ":127.0.0.1",
                    url};
        if (std::string(row.name) == "wget")
            command = {"wget",       "-q",           "-O",        "-", "--no-check-certificate",
                       "--no-proxy", "--timeout=20", "--tries=1", url};
        else
            command = {"/usr/bin/python3", "-c",
                       "import ssl, sys, urllib.request\n"
                       "context = ssl._create_unverified_context()\n"
                       "body = urllib.request.urlopen(sys.argv[1], context=context, timeout=20)\n"
                       "print(body.read().decode(), end='')\n",
                       url};
        // The name resolves to 127.0.0.1 through the test's hosts file, mounted over /etc/hosts
        // in a mount namespace of the client's own (no root needed).
        std::vector<std::string> wrapped = {
            "unshare", "-rm", "sh", "-c", "mount --bind \"$0\" /etc/hosts && exec \"$@\"", hosts_};
        wrapped.insert(wrapped.end(), command.begin(), command.end());
        return wrapped;
    }

    providertest::ChildResult Run(const ClientRow& row, const std::string& name, bool provider) {
        std::vector<std::string> environment = Environment();
        environment.push_back(provider ? "LD_PRELOAD=" + program_ + "/libhookswp_lsp.so"
                                       : "LD_PRELOAD=");
        return providertest::RunChild(Command(row, name), environment, 60);
    }

    bool HostsFileWorks() {
        auto probe = providertest::RunChild(
            {"unshare", "-rm", "sh", "-c", "mount --bind \"$0\" /etc/hosts && getent hosts \"$1\"",
             hosts_, kListedName},
            {});
        return probe.exitCode == 0 && probe.out.find("127.0.0.1") != std::string::npos;
    }

    channeltest::TempFolder folder_;
    std::string root_;
    std::string program_;
    std::string cert_, key_, hosts_;
    traye2e::TrayProcess tray_;
    testsupport::TlsServer server_;
};

TEST_P(TlsEndToEnd, ListedNameRefusedOnBlockUnlistedLoadsWithTheSameHandshake) {
#ifdef HOOKWISE_SANITIZED
    GTEST_SKIP() << "an instrumented preload library cannot be loaded into these programs";
#endif
    const ClientRow& row = GetParam();
    if (row.needsHostsFile && !HostsFileWorks())
        GTEST_SKIP() << "no user and mount namespaces here to give the test names an address";
    SetSitePermission(kPermissionBlockAll);
    StartTray();

    const auto baseline = Run(row, kUnlistedName, false);
    ASSERT_EQ(baseline.exitCode, 0) << baseline.err;
    ASSERT_EQ(baseline.out, "hello");
    const auto unlisted = Run(row, kUnlistedName, true);
    EXPECT_EQ(unlisted.exitCode, 0) << unlisted.err;
    EXPECT_EQ(unlisted.out, "hello");
    const auto listed = Run(row, kListedName, true);
    EXPECT_NE(listed.exitCode, 0);
    EXPECT_NE(listed.out, "hello");

    // A client that looks the name up is refused at the lookup and never connects; one given
    // the address (curl --resolve) connects, and its ClientHello is refused before it is sent.
    const auto lines = server_.Lines(row.needsHostsFile ? 2 : 3);
    ASSERT_EQ(lines.size(), row.needsHostsFile ? 2u : 3u);
    EXPECT_NE(lines[0].find(std::string("sni=") + kUnlistedName + " "), std::string::npos)
        << lines[0];
    EXPECT_EQ(lines[1], lines[0]) << "the handshake with the provider differs from the one "
                                     "without it";
    if (lines.size() > 2) {
        EXPECT_EQ(lines[2], "nothing") << "the refused ClientHello reached the server";
    }
    StopTray();

    const StoredSettings stored;
    ASSERT_EQ(stored.log.Count(), 1);
    const AlertLogEntry entry = stored.log.EntryAt(0);
    EXPECT_EQ(entry.ActionTaken, "Block");
    EXPECT_EQ(entry.Type, "URL");
    EXPECT_EQ(entry.StrictedData, kListedName);
    EXPECT_EQ(entry.Program, row.program);
    EXPECT_EQ(entry.Count, 1);
    EXPECT_EQ(stored.settings.NoOfBlockedInstructions, 1u);
}

// The listed name has listed pages only (no whole-host entry): when the user counts it among the
// well-known sites, its name is not blocked, so its unlisted pages load over HTTPS, where only
// the name can be seen; nothing is reported.
TEST_P(TlsEndToEnd, AWellKnownHostWithListedPagesIsNotBlockedByName) {
#ifdef HOOKWISE_SANITIZED
    GTEST_SKIP() << "an instrumented preload library cannot be loaded into these programs";
#endif
    const ClientRow& row = GetParam();
    if (row.needsHostsFile && !HostsFileWorks())
        GTEST_SKIP() << "no user and mount namespaces here to give the test names an address";
    std::filesystem::create_directories(root_ + "/config/hookwise");
    std::ofstream(root_ + "/config/hookwise/well-known-sites.txt") << "# the user's own\n"
                                                                   << kListedName << "\n";
    SetSitePermission(kPermissionBlockAll);
    StartTray();
    const auto visit = Run(row, kListedName, true);
    EXPECT_EQ(visit.exitCode, 0) << visit.err;
    EXPECT_EQ(visit.out, "hello");
    StopTray();
    const StoredSettings stored;
    EXPECT_EQ(stored.log.Count(), 0);
}

INSTANTIATE_TEST_SUITE_P(Clients, TlsEndToEnd, testing::ValuesIn(kClients),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
