// Update run as a program against feed_server.py on 127.0.0.1 with certificates made at test
// time: fetching, conditional requests, every kind of failed source, signed definitions, the
// user's own definitions, two runs at once and a kill -9 at each step.
#include "tools/hkwdefs/Decompiler.h"
#include "tools/hkwdefs/signing/DefinitionSignature.h"
#include "tools/update/DefinitionMerge.h"
#include "core/definitions/ShippedFile.h"
#include "engine/DefinitionIndexFormat.h"
#include "tests/support/Files.h"
#include "UpdateHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

using namespace hookwise::tools;

using namespace hookwise::core;

namespace {

using testsupport::ReadFile;
using testsupport::WriteFile;
using updatetest::RunResult;

std::string Today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%m/%d/%Y", &local);
    return text;
}

class UpdateRun : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/hookwise-update-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        program_ = root_ + "/program";
        update_ = updatetest::StageProgramFolder(program_);
        std::filesystem::create_directories(root_ + "/www");
        std::filesystem::create_directories(root_ + "/home");
        std::filesystem::create_directories(root_ + "/run");
        std::filesystem::permissions(root_ + "/run", std::filesystem::perms::owner_all);
        std::string error;
        ASSERT_TRUE(updatetest::MakeCertificates(root_, error)) << error;
        ASSERT_TRUE(server_.Start(root_ + "/server.pem", root_ + "/server.key", root_ + "/www",
                                  root_ + "/server.log"));
        std::string privatePem, publicPem;
        ASSERT_TRUE(GenerateSigningKeys(privatePem, publicPem, error)) << error;
        WriteFile(root_ + "/test.key", privatePem);
        WriteFile(root_ + "/test.pub", publicPem);
        shippedBefore_ = ReadFile(program_ + "/hkwdb1.pbd");
    }

    void TearDown() override {
        server_.Stop();
        std::filesystem::remove_all(root_);
    }

    std::vector<std::string> Env(std::vector<std::string> extra = {}) const {
        std::vector<std::string> set = {"HOME=" + root_ + "/home",
                                        "XDG_RUNTIME_DIR=" + root_ + "/run",
                                        "HOOKWISE_REGISTRY=" + root_ + "/registry.db",
                                        "HOOKWISE_UPDATE_KEY=" + root_ + "/test.pub",
                                        "HOOKWISE_UPDATE_RETRY_MS=10",
                                        "no_proxy=*",
                                        "NO_PROXY=*"};
        set.insert(set.end(), extra.begin(), extra.end());
        return updatetest::Environment(set, {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME",
                                             "HOOKWISE_WELL_KNOWN_SITES", "HOOKWISE_UPDATE_STOP_AT",
                                             "https_proxy", "HTTPS_PROXY"});
    }

    void Feed(const std::string& name, const std::string& text) {
        WriteFile(root_ + "/www/" + name, text);
    }

    // A source list of "FORMAT PATH" lines (paths on the server).
    std::string Sources(const std::vector<std::pair<std::string, std::string>>& lines) {
        std::string text = "# test sources\n";
        for (const auto& [format, path] : lines)
            text += format + " " + server_.Url(path) + "\n";
        const std::string path = root_ + "/sources-" + std::to_string(++lists_) + ".conf";
        WriteFile(path, text);
        return path;
    }

    RunResult Update(const std::string& sources, std::vector<std::string> extraEnv = {},
                     bool trustCa = true) {
        std::vector<std::string> argv = {update_, "--sources", sources};
        if (trustCa) {
            argv.push_back("--ca-file");
            argv.push_back(root_ + "/ca.pem");
        }
        return updatetest::Run(argv, Env(std::move(extraEnv)),
                               root_ + "/update-" + std::to_string(++runs_));
    }

    std::string Lookup(const std::string& kind, const std::string& text) {
        const RunResult result = updatetest::Run(
            {HKWDEFS_PATH, "lookup", DataFile("hkwdb1.pbd"), kind, text}, Env(), root_ + "/lookup");
        return result.out.substr(0, result.out.find('\n'));
    }

    std::string DataFile(const std::string& name) const { return program_ + "/" + name; }

    // The protection as it stands: both files' bytes.
    std::string Protection() const {
        return ReadFile(DataFile("hkwdb1.pbd")) + "|" + ReadFile(DataFile("hkwdb1.pbi"));
    }

    // The index's recorded checksum against that of the working copy its definitions give.
    void ExpectIndexOfDefinitions() {
        const std::string shipped = ReadFile(DataFile("hkwdb1.pbd"));
        const std::string index = ReadFile(DataFile("hkwdb1.pbi"));
        std::string working, error;
        ASSERT_TRUE(DecipherAtStartUp(shipped, working, error)) << error;
        ASSERT_GE(index.size(), sizeof(definition_index::Header));
        definition_index::Header header;
        std::memcpy(&header, index.data(), sizeof header);
        EXPECT_EQ(std::memcmp(header.magic, definition_index::kMagic, 8), 0);
        EXPECT_EQ(header.source.checksum, updatetest::Xxh3(working));
        EXPECT_EQ(header.source.size, 0u);
        EXPECT_EQ(header.source.inode, 0u);
        EXPECT_EQ(header.headerChecksum, definition_index::HeaderChecksum(header));
    }

    // Files of this run's data folder that are none of the program's own.
    std::vector<std::string> Leftovers() const {
        std::vector<std::string> found;
        for (const auto& item : std::filesystem::directory_iterator(program_)) {
            const std::string name = item.path().filename().string();
            if (name.rfind("hkwdb1.pb", 0) == 0 && name.size() > 10)
                found.push_back(name);
        }
        return found;
    }

    // A good first update: the OpenPhish-format and hosts-format feeds.
    std::string GoodFirstRun() {
        Feed("openphish.txt", "https://evil-feed-one.example/login\n"
                              "http://phish.example.net/a/b?session=1\n"
                              "https://www.google.com/\n");
        Feed("hosts.txt", "# hosts\n0.0.0.0 bad-host.example\n127.0.0.1 other-bad.example\n");
        const std::string sources =
            Sources({{"openphish", "openphish.txt"}, {"hosts", "hosts.txt"}});
        const RunResult run = Update(sources);
        EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
        return sources;
    }

    std::string root_, program_, update_, shippedBefore_;
    updatetest::FeedServer server_;
    int lists_ = 0, runs_ = 0;
};

TEST_F(UpdateRun, FetchesFeedsMergesShippedDefinitionsAndIndexesThem) {
    GoodFirstRun();
    const std::string shipped = ReadFile(DataFile("hkwdb1.pbd"));
    ASSERT_TRUE(HasShippedHeader(shipped));
    EXPECT_EQ(ShippedVersion(shipped), Today());
    EXPECT_NE(shipped, shippedBefore_);
    // Feed entries, the shipped sample entries, and what stays unlisted.
    EXPECT_EQ(Lookup("url", "evil-feed-one.example/login"), "hit");
    EXPECT_EQ(Lookup("url", "https://phish.example.net/a/b/c"), "hit");
    EXPECT_EQ(Lookup("url", "bad-host.example/anything"), "hit");
    EXPECT_EQ(Lookup("host", "other-bad.example"), "hit");
    EXPECT_EQ(Lookup("url", "secure-paypa1-login.example/verify"), "hit");
    EXPECT_EQ(Lookup("url", "www.google.com/"), "miss"); // a well-known site listed whole
    EXPECT_EQ(Lookup("url", "phish.example.net/a"), "miss");
    ExpectIndexOfDefinitions();
    EXPECT_TRUE(Leftovers().empty());
    // The cache holds one last good copy per source.
    std::size_t cached = 0;
    for (const auto& item : std::filesystem::directory_iterator(root_ + "/home/.cache/hookwise"))
        cached += item.path().extension() == ".source" ? 1 : 0;
    EXPECT_EQ(cached, 2u);
}

TEST_F(UpdateRun, UnchangedFeedsTransferNoBodyAndChangeNothing) {
    const std::string sources = GoodFirstRun();
    const std::string before = Protection();
    const std::size_t requests = server_.Log().size();
    const auto start = std::chrono::steady_clock::now();
    const RunResult run = Update(sources);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("unchanged"), std::string::npos) << run.out;
    const std::vector<std::string> log = server_.Log();
    ASSERT_EQ(log.size(), requests + 2);
    for (std::size_t i = requests; i < log.size(); ++i)
        EXPECT_NE(log[i].find(" 304 0"), std::string::npos) << log[i];
    EXPECT_EQ(Protection(), before);
    EXPECT_LT(took, std::chrono::seconds(2));

    // A changed feed is fetched again and its new entry listed.
    Feed("hosts.txt", "0.0.0.0 bad-host.example\n0.0.0.0 third-bad.example\n");
    const RunResult changed = Update(sources);
    EXPECT_EQ(changed.exitCode, 0) << changed.err;
    EXPECT_EQ(Lookup("host", "third-bad.example"), "hit");
    EXPECT_EQ(Lookup("host", "other-bad.example"), "miss"); // gone from the feed
    ExpectIndexOfDefinitions();
}

// ---- a source that fails ----

struct FailureRow {
    const char* name;
    const char* format;
    const char* path;          // on the server
    const char* reason;        // a part of the message
    bool trustCa = true;       // --ca-file given
    const char* maxBytes = ""; // HOOKWISE_UPDATE_MAX_BYTES
};

void PrintTo(const FailureRow& row, std::ostream* os) {
    *os << row.name;
}

const FailureRow kFailures[] = {
    {.name = "NotFound",
     .format = "openphish",
     .path = "status/404/feed.txt",
     .reason = "HTTP 404 Not Found"},
    {.name = "ServerError",
     .format = "openphish",
     .path = "status/503/feed.txt",
     .reason = "HTTP 503"},
    {.name = "UntrustedCertificate",
     .format = "openphish",
     .path = "feed.txt",
     .reason = "certificate",
     .trustCa = false},
    {.name = "Truncated",
     .format = "openphish",
     .path = "truncate/feed.txt",
     .reason = "truncated"},
    {.name = "OverSizeLimitAnnounced",
     .format = "openphish",
     .path = "feed.txt",
     .reason = "larger than the limit of 40 bytes",
     .maxBytes = "40"},
    {.name = "OverSizeLimitUnannounced",
     .format = "openphish",
     .path = "nolength/feed.txt",
     .reason = "larger than the limit of 40 bytes",
     .maxBytes = "40"},
    {.name = "TamperedSignature",
     .format = "hookwise",
     .path = "tampered.pbd",
     .reason = "signature"},
    {.name = "MissingSignature",
     .format = "hookwise",
     .path = "unsigned.pbd",
     .reason = "signature"},
    {.name = "NoFeedFormat", .format = "auto", .path = "binary.bin", .reason = "content"},
};

class UpdateFailure : public UpdateRun, public testing::WithParamInterface<FailureRow> {};

TEST_P(UpdateFailure, OnlySourceLeavesProtectionExactlyAsItWas) {
    const FailureRow& row = GetParam();
    GoodFirstRun();
    Feed("feed.txt", "https://failing-feed-only.example/x\nhttps://another.example/y\n");
    std::string signature, error;
    const std::string defs = ReadFile(DEFINITIONS_PATH);
    ASSERT_TRUE(SignDefinitions(ReadFile(root_ + "/test.key"), defs, signature, error));
    std::string tampered = defs;
    tampered[40] ^= 0x20;
    Feed("tampered.pbd", tampered);
    Feed("tampered.pbd.sig", signature);
    Feed("unsigned.pbd", defs);
    Feed("binary.bin", std::string("\x1f\x8b\x08\x00", 4) + std::string(100, '\0'));
    const std::string before = Protection();

    std::vector<std::string> env;
    if (*row.maxBytes != '\0')
        env.push_back(std::string("HOOKWISE_UPDATE_MAX_BYTES=") + row.maxBytes);
    const RunResult run = Update(Sources({{row.format, row.path}}), env, row.trustCa);
    EXPECT_NE(run.exitCode, 0);
    EXPECT_EQ(run.signal, 0);
    EXPECT_NE(run.err.find(server_.Url(row.path)), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(row.reason), std::string::npos) << run.err;
    // The last line, all a caller showing one line sees, names the reason too.
    std::string last = run.err.substr(0, run.err.find_last_not_of('\n') + 1);
    last = last.substr(last.find_last_of('\n') + 1);
    EXPECT_NE(last.find(row.reason), std::string::npos) << last;
    EXPECT_NE(last.find("stay as they are"), std::string::npos) << last;
    EXPECT_EQ(Protection(), before);
    EXPECT_TRUE(Leftovers().empty());
}

INSTANTIATE_TEST_SUITE_P(Sources, UpdateFailure, testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UpdateRun, FailedSourceKeepsItsLastGoodCopyWhileOthersUpdate) {
    const std::string sources = GoodFirstRun();
    // The hosts feed now fails; the OpenPhish feed changes.
    std::filesystem::remove(root_ + "/www/hosts.txt");
    Feed("openphish.txt", "https://evil-feed-two.example/login\n");
    const RunResult run = Update(sources);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find(server_.Url("hosts.txt") + " (hosts): HTTP 404 Not Found"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("last good copy"), std::string::npos) << run.err;
    EXPECT_EQ(Lookup("url", "evil-feed-two.example/login"), "hit");
    EXPECT_EQ(Lookup("url", "evil-feed-one.example/login"), "miss");
    EXPECT_EQ(Lookup("host", "bad-host.example"), "hit"); // from the hosts feed's last copy
    ExpectIndexOfDefinitions();
}

// ---- signed definitions and the user's own ----

TEST_F(UpdateRun, SignedDefinitionsReplaceTheShippedBaseAndOwnDefinitionsAreMerged) {
    // A signed file of its own: the shipped sample's entries plus one.
    const std::string plain = root_ + "/signed.ini";
    const std::string signedFile = root_ + "/www/defs.pbd";
    const std::string ini = root_ + "/sample.ini";
    ASSERT_EQ(updatetest::Run({HKWDEFS_PATH, "decompile", DEFINITIONS_PATH, ini}, Env(),
                              root_ + "/decompile")
                  .exitCode,
              0);
    // The sample's entries and one subject more, numbered on after the sample's.
    DefinitionSet set, extra;
    Messages errors;
    ASSERT_TRUE(ReadPlainDefinitions(ReadFile(ini), set, errors));
    ASSERT_TRUE(
        ReadPlainDefinitions("[Subject]\nSUB1=only in the signed definitions\n", extra, errors));
    ASSERT_EQ(MergeDefinitionSets(set, extra), 1u);
    WriteFile(plain, FormatPlainDefinitions(set, ""));
    const RunResult made =
        updatetest::Run({HKWDEFS_PATH, "compile", plain, signedFile, "--version", "11/30/2026"},
                        Env(), root_ + "/compile");
    ASSERT_EQ(made.exitCode, 0) << made.err;
    ASSERT_EQ(updatetest::Run({HKWDEFS_PATH, "sign", root_ + "/test.key", signedFile}, Env(),
                              root_ + "/sign")
                  .exitCode,
              0);
    WriteFile(root_ + "/home/.config/hookwise/my-definitions.ini",
              "[HostLink]\nHLINK1=my-own-block.example\n");
    Feed("hosts.txt", "0.0.0.0 bad-host.example\n");
    const RunResult run = Update(Sources({{"hookwise", "defs.pbd"}, {"hosts", "hosts.txt"}}));
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_EQ(Lookup("subject", "only in the signed definitions"), "hit");
    EXPECT_EQ(Lookup("url", "my-own-block.example/"), "hit");
    EXPECT_EQ(Lookup("host", "bad-host.example"), "hit");
    ExpectIndexOfDefinitions();

    // The signed file is changed on the server without a new signature: refused, and its last
    // good copy (still listing the subject) is used.
    WriteFile(signedFile, ReadFile(DEFINITIONS_PATH));
    const RunResult refused = Update(Sources({{"hookwise", "defs.pbd"}, {"hosts", "hosts.txt"}}));
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("signature"), std::string::npos) << refused.err;
    EXPECT_EQ(Lookup("subject", "only in the signed definitions"), "hit");
}

TEST_F(UpdateRun, BadOwnDefinitionsAreLeftOutWithTheirFaults) {
    GoodFirstRun();
    WriteFile(root_ + "/home/.config/hookwise/my-definitions.ini", "[HostLink]\nHLINK2=gap\n");
    const RunResult run = Update(Sources({{"hosts", "hosts.txt"}}));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("my-definitions.ini"), std::string::npos) << run.err;
    EXPECT_EQ(Lookup("host", "bad-host.example"), "hit");
}

// ---- runs at once, and killed ones ----

TEST_F(UpdateRun, TwoRunsAtOnceNeverInterleave) {
    // A slow feed keeps the first run inside its lock while the second starts.
    std::string lines;
    for (int i = 0; i < 2000; ++i)
        lines += "https://slow-" + std::to_string(i) + ".example/p\n";
    Feed("slow.txt", lines);
    const std::string sources = Sources({{"openphish", "slow/slow.txt"}});
    updatetest::Child first, second;
    const std::vector<std::string> argv = {update_, "--sources", sources, "--ca-file",
                                           root_ + "/ca.pem"};
    ASSERT_TRUE(first.Start(argv, Env(), root_ + "/first"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_TRUE(second.Start(argv, Env(), root_ + "/second"));
    const RunResult a = first.Wait();
    const RunResult b = second.Wait();
    EXPECT_EQ(a.exitCode, 0) << a.err;
    EXPECT_EQ(b.exitCode, 0) << b.err;
    EXPECT_NE(b.out.find("another update is running"), std::string::npos) << b.out;
    // The second came after the first: its request was a conditional one.
    EXPECT_NE(b.out.find("unchanged"), std::string::npos) << b.out;
    const std::vector<std::string> log = server_.Log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(std::count_if(
                  log.begin(), log.end(),
                  [](const std::string& line) { return line.find(" 304 0") != std::string::npos; }),
              1);
    EXPECT_EQ(Lookup("url", "slow-1999.example/p"), "hit");
    ExpectIndexOfDefinitions();

    // Without waiting, the second run says so and changes nothing.
    Feed("slow.txt", lines + "https://slow-more.example/p\n");
    ASSERT_TRUE(first.Start(argv, Env(), root_ + "/third"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const RunResult refused = Update(sources, {"HOOKWISE_UPDATE_LOCK_WAIT=0"});
    EXPECT_EQ(refused.exitCode, 3);
    EXPECT_NE(refused.err.find("another update is still running"), std::string::npos);
    EXPECT_EQ(first.Wait().exitCode, 0);
}

class UpdateKilled : public UpdateRun, public testing::WithParamInterface<const char*> {};

TEST_P(UpdateKilled, PreviousDefinitionsStayInForce) {
    const std::string step = GetParam();
    const std::string sources = GoodFirstRun();
    const std::string before = ReadFile(DataFile("hkwdb1.pbd"));
    const std::string indexBefore = ReadFile(DataFile("hkwdb1.pbi"));
    Feed("hosts.txt", "0.0.0.0 killed-run.example\n");

    const RunResult killed = Update(sources, {"HOOKWISE_UPDATE_STOP_AT=" + step});
    ASSERT_EQ(killed.signal, SIGKILL) << killed.out << killed.err;
    const std::string after = ReadFile(DataFile("hkwdb1.pbd"));
    if (step == "definitions-renamed") {
        // Killed after the last rename: the new definitions are whole and in force.
        EXPECT_EQ(Lookup("host", "killed-run.example"), "hit");
        ExpectIndexOfDefinitions();
    } else {
        EXPECT_EQ(after, before);
        EXPECT_EQ(Lookup("host", "bad-host.example"), "hit");
        EXPECT_EQ(Lookup("host", "killed-run.example"), "miss");
        // The index is the old one, or the new one that belongs to no definitions in force
        // (an index is taken only for the working copy whose checksum it names).
        if (ReadFile(DataFile("hkwdb1.pbi")) != indexBefore) {
            EXPECT_TRUE(step == "index-renamed" || step == "definitions-written") << step;
        }
    }
    // The next run finishes the work and leaves no temporary file behind.
    const RunResult next = Update(sources);
    EXPECT_EQ(next.exitCode, 0) << next.err;
    EXPECT_EQ(Lookup("host", "killed-run.example"), "hit");
    ExpectIndexOfDefinitions();
    EXPECT_TRUE(Leftovers().empty());
}

INSTANTIATE_TEST_SUITE_P(Steps, UpdateKilled,
                         testing::Values("locked", "fetched", "cached", "built", "index-written",
                                         "index-renamed", "definitions-written",
                                         "definitions-renamed"),
                         [](const auto& info) {
                             std::string name = info.param;
                             std::erase(name, '-');
                             return name;
                         });

TEST_F(UpdateRun, KeygenNeverOverwritesAPrivateKeyAndSignWritesTheSignatureFile) {
    const std::string key = root_ + "/made.key";
    const std::string pub = root_ + "/made.pub";
    ASSERT_EQ(updatetest::Run({HKWDEFS_PATH, "keygen", key, pub}, Env(), root_ + "/k1").exitCode,
              0);
    EXPECT_EQ(std::filesystem::status(key).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    const std::string first = ReadFile(key);
    const RunResult again =
        updatetest::Run({HKWDEFS_PATH, "keygen", key, root_ + "/other.pub"}, Env(), root_ + "/k2");
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.err.find("File exists"), std::string::npos) << again.err;
    EXPECT_EQ(ReadFile(key), first);
    WriteFile(root_ + "/file.pbd", "some bytes");
    ASSERT_EQ(updatetest::Run({HKWDEFS_PATH, "sign", key, root_ + "/file.pbd"}, Env(), root_ + "/s")
                  .exitCode,
              0);
    std::string error;
    EXPECT_TRUE(
        VerifyDefinitions(ReadFile(pub), "some bytes", ReadFile(root_ + "/file.pbd.sig"), error))
        << error;
}

TEST_F(UpdateRun, CommandLineAndSourceListFaults) {
    const RunResult unknown = updatetest::Run({update_, "--bogus"}, Env(), root_ + "/bogus");
    EXPECT_EQ(unknown.exitCode, 2);
    WriteFile(root_ + "/bad.conf", "openphish http://plain.example/feed\n");
    const RunResult bad = Update(root_ + "/bad.conf");
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.err.find("bad.conf: line 1"), std::string::npos) << bad.err;
    EXPECT_EQ(ReadFile(DataFile("hkwdb1.pbd")), shippedBefore_);
    EXPECT_FALSE(std::filesystem::exists(DataFile("hkwdb1.pbi")));
}

} // namespace
