// The built hkwdefs program: round trips, refusals, every lookup kind, feed import and every bad
// input.
#include "core/definitions/ShippedFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>

using namespace hookwise::core;

namespace {

namespace fs = std::filesystem;

struct ToolResult {
    int exit = -1;
    std::string out;
    std::string err;
};

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string ShellQuoted(const std::string& arg) {
    std::string quoted = "'";
    for (char c : arg) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

// The lines of an INI text that carry data: no comments, no blank lines.
std::vector<std::string> DataLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] != ';')
            lines.push_back(line);
    }
    return lines;
}

const char kSource[] = "; test definitions\n"
                       "[HostIP]\n"
                       "IP1=192.0.2.10\n"
                       "IP2=10.0.0.1\n"
                       "[HostLink]\n"
                       "HLINK1=secure-login.example/verify/account.php\n"
                       "[Link]\n"
                       "CLINK1=href=\"http://bank-verify.example/\n"
                       "VLINK1=Trusted Bank\n"
                       "CLINK2=null\n"
                       "CLINK3=tracking.test/parcel\n"
                       "[From]\n"
                       "FROM1=Billing@Shop.example\n"
                       "[Subject]\n"
                       "SUB1=account suspended\n"
                       "[Text]\n"
                       "TXT1=verify your password\n"
                       "TXT2=your password\n";

class Tool : public testing::Test {
protected:
    static void SetUpTestSuite() {
        std::random_device seed;
        const char* tmpdir = std::getenv("TMPDIR");
        savedTmpdir_ = tmpdir ? std::optional<std::string>(tmpdir) : std::nullopt;
        dir_ = fs::temp_directory_path() / ("hkwdefs-test-" + std::to_string(seed()));
        fs::create_directories(dir_ / "run");
        fs::permissions(dir_ / "run", fs::perms::owner_all, fs::perm_options::replace);
        fs::create_directories(dir_ / "tmp");
        // The tool's own temporary files, registry and runtime folder stay inside dir_.
        setenv("TMPDIR", (dir_ / "tmp").c_str(), 1);
        setenv("HOOKWISE_REGISTRY", (dir_ / "registry.db").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", (dir_ / "run").c_str(), 1);

        WriteText(dir_ / "defs.ini", kSource);
        const ToolResult compiled =
            Run({"compile", Path("defs.ini"), Path("defs.pbd"), "--version", "12/01/2026"});
        ASSERT_EQ(compiled.exit, 0) << compiled.err;

        // A working copy as the program's start-up leaves it.
        std::string working;
        std::string error;
        ASSERT_TRUE(DecipherAtStartUp(ReadText(dir_ / "defs.pbd"), working, error)) << error;
        WriteText(dir_ / "hkwdb2.pbd", working);
    }

    static void TearDownTestSuite() {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
        if (savedTmpdir_)
            setenv("TMPDIR", savedTmpdir_->c_str(), 1);
        else
            unsetenv("TMPDIR");
    }

    static std::string Path(const std::string& name) { return (dir_ / name).string(); }

    // Runs the tool with args; input, when given, is its standard input.
    static ToolResult Run(const std::vector<std::string>& args,
                          const std::optional<std::string>& input = std::nullopt) {
        std::string command = ShellQuoted(HKWDEFS_PATH);
        for (const std::string& arg : args) {
            command += ' ';
            command += ShellQuoted(arg);
        }
        if (input) {
            WriteText(dir_ / "stdin.txt", *input);
            command += " <" + ShellQuoted((dir_ / "stdin.txt").string());
        }
        const fs::path out = dir_ / "stdout.txt";
        const fs::path err = dir_ / "stderr.txt";
        command += " >" + ShellQuoted(out.string()) + " 2>" + ShellQuoted(err.string());
        const int status = std::system(command.c_str());
        ToolResult result;
        result.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = ReadText(out);
        result.err = ReadText(err);
        return result;
    }

    static fs::path dir_;
    static std::optional<std::string> savedTmpdir_;
};

fs::path Tool::dir_;
std::optional<std::string> Tool::savedTmpdir_;

TEST_F(Tool, UsageWithoutArguments) {
    const ToolResult bare = Run({});
    EXPECT_EQ(bare.exit, 2);
    EXPECT_NE(bare.err.find("Usage:"), std::string::npos);
    const ToolResult help = Run({"--help"});
    EXPECT_EQ(help.exit, 0);
    EXPECT_NE(help.out.find("hkwdefs lookup DB.pbd KIND TEXT"), std::string::npos);
    EXPECT_NE(help.out.find("hkwdefs import FEED... --output PLAIN.ini"), std::string::npos);
}

TEST_F(Tool, SampleDefinitionsRoundTrip) {
    const std::string sample = HOOKWISE_SOURCE_DIR "/data/definitions/hookwise-definitions.ini";
    ToolResult result = Run({"compile", sample, Path("sample.pbd"), "--version", "12/01/2026"});
    ASSERT_EQ(result.exit, 0) << result.err;
    result = Run({"decompile", Path("sample.pbd"), Path("sample-back.ini")});
    ASSERT_EQ(result.exit, 0) << result.err;
    const std::string back = ReadText(dir_ / "sample-back.ini");
    EXPECT_EQ(DataLines(back), DataLines(ReadText(sample)));
    EXPECT_NE(back.find("version 12/01/2026"), std::string::npos);

    result = Run(
        {"compile", Path("sample-back.ini"), Path("sample-again.pbd"), "--version", "12/01/2026"});
    ASSERT_EQ(result.exit, 0) << result.err;
    EXPECT_EQ(ReadText(dir_ / "sample-again.pbd"), ReadText(dir_ / "sample.pbd"));

    // The entries the README's demonstration looks up.
    for (const std::vector<std::string>& lookup :
         {std::vector<std::string>{"ip", "203.0.113.66"},
          std::vector<std::string>{"url", "secure-paypa1-login.example/verify"},
          std::vector<std::string>{"from", "billing@amaz0n-support.example"}}) {
        result = Run({"lookup", Path("sample.pbd"), lookup[0], lookup[1]});
        EXPECT_EQ(result.exit, 0) << result.err;
        EXPECT_EQ(result.out, "hit\n") << lookup[0] << " " << lookup[1];
    }
}

TEST_F(Tool, RefusedEntriesAreNamedAndNothingIsWritten) {
    WriteText(dir_ / "bad.ini", "[HostIP]\nIP1=192.0.2.1\nIP3=192.0.2.3\n"
                                "[Text]\nTXT1=fine\nTXT2=\xC8oops\n");
    WriteText(dir_ / "bad.pbd", "previous");
    const ToolResult result =
        Run({"compile", Path("bad.ini"), Path("bad.pbd"), "--version", "12/01/2026"});
    EXPECT_EQ(result.exit, 1);
    EXPECT_NE(result.err.find("[HostIP] IP3 (line 3): IP2 is missing"), std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("[Text] TXT2 (line 6): value refused: character 1 (0xC8)"),
              std::string::npos)
        << result.err;
    EXPECT_EQ(ReadText(dir_ / "bad.pbd"), "previous");
}

// ---- lookups, on the shipped file and on a working copy ----

struct LookupRow {
    const char* name;
    const char* kind;
    const char* text;
    const char* expected;
};

const LookupRow kLookupRows[] = {
    {"IpHit", "ip", "192.0.2.10", "hit"},
    {"IpWholeTextOnly", "ip", "10.0.0.10", "miss"},
    {"UrlMixedCaseBelowEntry", "url", "Secure-Login.EXAMPLE/verify/account.php/2", "hit"},
    {"UrlPartOfEntry", "url", "secure-login.example/verify", "miss"},
    {"UrlEntryWithQuery", "url", "https://secure-login.example/verify/account.php?x=1", "hit"},
    {"UrlFromLinkList", "url", "bank-verify.example", "hit"},
    {"FromLowerCasedFirst", "from", "\"Shop\" <BILLING@shop.example>", "hit"},
    {"FromMiss", "from", "friend@mail.example", "miss"},
    {"SubjectHit", "subject", "Re: Your Account Suspended!", "hit"},
    {"SubjectMiss", "subject", "lunch on friday", "miss"},
    {"TextFirstIndexWins", "text", "Please VERIFY your password today", "hit verify your password"},
    {"TextLaterEntry", "text", "change your password", "hit your password"},
    {"TextMiss", "text", "see you soon", "miss"},
    {"LinksHit", "links", "<a href=\"http://tracking.test/parcel/9\">parcel</a>",
     "hit tracking.test/parcel"},
    {"LinksNullNeverMatches", "links", "<p>null</p>", "miss"},
    {"LinksMiss", "links", "<a href=\"http://fine.example/\">fine</a>", "miss"},
    {"VisibleHit", "visible-links",
     "<p>Hi</p><a href=\"http://bank-verify.example/login\">TRUSTED bank</a>",
     "hit href=\"http://bank-verify.example/ Trusted Bank"},
    {"VisibleOtherText", "visible-links", "<a href=\"http://bank-verify.example/\">Your bank</a>",
     "miss"},
    {"VisibleBlanksKept", "visible-links",
     "<a href=\"http://bank-verify.example/\"> Trusted Bank</a>", "miss"},
    {"VisibleWithoutVlink", "visible-links", "<a href=\"http://tracking.test/parcel\">x</a>",
     "miss"},
};

class Lookups : public Tool, public testing::WithParamInterface<std::tuple<LookupRow, bool>> {};

TEST_P(Lookups, PrintHitOrMiss) {
    const auto& [row, shipped] = GetParam();
    const ToolResult result =
        Run({"lookup", Path(shipped ? "defs.pbd" : "hkwdb2.pbd"), row.kind, row.text});
    EXPECT_EQ(result.exit, 0) << result.err;
    EXPECT_EQ(result.out, std::string(row.expected) + "\n");
    EXPECT_EQ(result.err, "");
}

INSTANTIATE_TEST_SUITE_P(Kinds, Lookups,
                         testing::Combine(testing::ValuesIn(kLookupRows), testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "_Shipped" : "_WorkingCopy");
                         });

// The index of a working copy answers every lookup as the working copy itself does.
TEST_F(Tool, IndexedWorkingCopyGivesTheSameAnswers) {
    fs::create_directories(dir_ / "indexed");
    fs::copy_file(dir_ / "hkwdb2.pbd", dir_ / "indexed/hkwdb2.pbd",
                  fs::copy_options::overwrite_existing);
    const ToolResult built = Run({"index", Path("indexed/hkwdb2.pbd"), Path("indexed/hkwdb2.pbi")});
    ASSERT_EQ(built.exit, 0) << built.err;
    EXPECT_EQ(built.err, "") << "no progress bar without a terminal";
    ASSERT_TRUE(fs::file_size(dir_ / "indexed/hkwdb2.pbi") > 0);
    for (const LookupRow& row : kLookupRows) {
        const ToolResult result = Run({"lookup", Path("indexed/hkwdb2.pbd"), row.kind, row.text});
        EXPECT_EQ(result.out, std::string(row.expected) + "\n") << row.name;
    }
}

TEST_F(Tool, IndexOfAShippedFileIsRefused) {
    const ToolResult result = Run({"index", Path("defs.pbd"), Path("defs.pbi")});
    EXPECT_EQ(result.exit, 1);
    EXPECT_NE(result.err.find("working copy"), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(dir_ / "defs.pbi"));
}

TEST_F(Tool, ShippedLookupLeavesNoTemporaryFile) {
    ASSERT_EQ(Run({"lookup", Path("defs.pbd"), "ip", "192.0.2.10"}).out, "hit\n");
    EXPECT_TRUE(fs::is_empty(dir_ / "tmp"));
}

// ---- lookups of many texts, one a line ----

TEST_F(Tool, LookupReadsOneTextPerLineOfStandardInput) {
    const ToolResult result =
        Run({"lookup", Path("defs.pbd"), "ip", "-"}, "192.0.2.10\r\n10.0.0.10\n\n10.0.0.1");
    EXPECT_EQ(result.exit, 0) << result.err;
    EXPECT_EQ(result.out, "hit\nmiss\nmiss\nhit\n");
    const ToolResult empty = Run({"lookup", Path("defs.pbd"), "url", "-"}, "");
    EXPECT_EQ(empty.exit, 0);
    EXPECT_EQ(empty.out, "");
}

// ---- import: feeds to a source, compiled and looked up ----

TEST_F(Tool, ImportedFeedsCompileAndAnswerLookups) {
    WriteText(dir_ / "openphish.txt", "https://secure-paypa1.example/signin/verify?id=7\n"
                                      "http://www.google.com/\n"
                                      "http://evil-user.weebly.com/\n"
                                      "garbage\n");
    WriteText(dir_ / "hosts.txt", "127.0.0.1 localhost\n0.0.0.0 tracker.evil.example\n"
                                  "0.0.0.0 docs.google.com\n");
    WriteText(dir_ / "senders.txt", "Billing <billing@amaz0n-support.example>\n");
    ToolResult result =
        Run({"import", Path("openphish.txt"), Path("hosts.txt"), "--output", Path("imported.ini")});
    ASSERT_EQ(result.exit, 0) << result.err;
    EXPECT_NE(result.out.find("openphish.txt (openphish): 4 read, 2 kept, 1 dropped as noise, 1 "
                              "malformed (line 4)"),
              std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find("hosts.txt (hosts): 3 read, 1 kept, 1 dropped as noise"),
              std::string::npos)
        << result.out;
    EXPECT_EQ(
        DataLines(ReadText(dir_ / "imported.ini")),
        (std::vector<std::string>{"[HostLink]", "HLINK1=secure-paypa1.example/signin/verify",
                                  "HLINK2=evil-user.weebly.com", "HLINK3=tracker.evil.example"}));

    // Merged into itself with the senders, then compiled and looked up.
    result = Run({"import", Path("senders.txt"), "--format", "senders", "--merge",
                  Path("imported.ini"), "--output", Path("imported.ini")});
    ASSERT_EQ(result.exit, 0) << result.err;
    EXPECT_NE(result.out.find("senders.txt (senders): 1 read, 1 kept"), std::string::npos);
    result = Run({"import", Path("openphish.txt"), "--merge", Path("imported.ini"), "--output",
                  Path("imported.ini")});
    ASSERT_EQ(result.exit, 0) << result.err;
    EXPECT_NE(result.out.find("0 web address(es) and 0 sender(s)"), std::string::npos)
        << result.out;
    EXPECT_EQ(
        DataLines(ReadText(dir_ / "imported.ini")),
        (std::vector<std::string>{"[HostLink]", "HLINK1=secure-paypa1.example/signin/verify",
                                  "HLINK2=evil-user.weebly.com", "HLINK3=tracker.evil.example",
                                  "[From]", "FROM1=billing@amaz0n-support.example"}));
    result =
        Run({"compile", Path("imported.ini"), Path("imported.pbd"), "--version", "12/01/2026"});
    ASSERT_EQ(result.exit, 0) << result.err;
    const ToolResult urls =
        Run({"lookup", Path("imported.pbd"), "url", "-"},
            "https://secure-paypa1.example/signin/verify/step2\nhttp://weebly.com/\n"
            "a.tracker.evil.example/x\n");
    EXPECT_EQ(urls.out, "hit\nmiss\nhit\n") << urls.err;
    const ToolResult hosts = Run({"lookup", Path("imported.pbd"), "host", "-"},
                                 "secure-paypa1.example\nevil-user.weebly.com\nweebly.com\n");
    EXPECT_EQ(hosts.out, "hit\nhit\nmiss\n") << hosts.err;
    const ToolResult from =
        Run({"lookup", Path("imported.pbd"), "from", "Billing@Amaz0n-Support.example"});
    EXPECT_EQ(from.out, "hit\n");
}

TEST_F(Tool, ImportReadsAFeedFromStandardInput) {
    const ToolResult result = Run({"import", "-", "--output", Path("piped.ini")},
                                  "0.0.0.0 piped.example\n0.0.0.0 www.google.com\n");
    ASSERT_EQ(result.exit, 0) << result.err;
    EXPECT_NE(result.out.find("standard input (hosts): 2 read, 1 kept, 1 dropped as noise"),
              std::string::npos)
        << result.out;
    EXPECT_EQ(DataLines(ReadText(dir_ / "piped.ini")),
              (std::vector<std::string>{"[HostLink]", "HLINK1=piped.example"}));
}

// ---- bad input: a message and a non-zero exit ----

struct BadInputRow {
    const char* name;
    std::vector<std::string> args; // "@name" stands for a file in the test folder
    int exit;
    const char* message;
};

const BadInputRow kBadInputRows[] = {
    {"UnknownCommand", {"frobnicate"}, 2, "unknown command"},
    {"LookupMissingFile", {"lookup", "@none.pbd", "ip", "1"}, 1, "No such file"},
    {"LookupBadKind", {"lookup", "@defs.pbd", "mail", "x"}, 2, "unknown kind 'mail'"},
    {"LookupTooFewArguments", {"lookup", "@defs.pbd", "ip"}, 2, "needs DB.pbd, KIND and TEXT"},
    {"LookupEmptyFile", {"lookup", "@empty.pbd", "ip", "1"}, 1, "the file is empty"},
    {"LookupLengthNotMultipleOf8", {"lookup", "@odd.pbd", "ip", "1"}, 1, "not a multiple of 8"},
    {"LookupHeaderOnly", {"lookup", "@header.pbd", "ip", "1"}, 1, "nothing after its header"},
    {"LookupDamaged", {"lookup", "@damaged.pbd", "ip", "1"}, 1, "damaged"},
    {"LookupPlainSource", {"lookup", "@defs.ini", "ip", "1"}, 1, "plain definitions source"},
    {"LookupOtherFile", {"lookup", "@other.txt", "ip", "1"}, 1, "no definition list"},
    {"LookupFolder", {"lookup", "@tmp", "ip", "1"}, 1, "is a folder"},
    {"LookupDevice", {"lookup", "/dev/zero", "ip", "1"}, 1, "not a regular file"},
    {"CompileNoVersion", {"compile", "@defs.ini", "@x.pbd"}, 2, "needs --version"},
    {"CompileBadVersion",
     {"compile", "@defs.ini", "@x.pbd", "--version", "2026/12/01"},
     1,
     "--version 2026/12/01"},
    {"CompileUnknownOption", {"compile", "@defs.ini", "@x.pbd", "--fast"}, 2, "unknown option"},
    {"CompileMissingSource",
     {"compile", "@none.ini", "@x.pbd", "--version", "12/01/2026"},
     1,
     "No such file"},
    {"CompileUnwritable",
     {"compile", "@defs.ini", "@no/such/x.pbd", "--version", "12/01/2026"},
     1,
     "x.pbd"},
    {"CompileOntoSource",
     {"compile", "@defs.ini", "@defs.ini", "--version", "12/01/2026"},
     1,
     "is the source itself"},
    {"DecompileMissing", {"decompile", "@none.pbd", "@x.ini"}, 1, "No such file"},
    {"DecompileEmpty", {"decompile", "@empty.pbd", "@x.ini"}, 1, "the file is empty"},
    {"DecompileDamaged", {"decompile", "@damaged.pbd", "@x.ini"}, 1, "damaged"},
    {"DecompileOtherFile", {"decompile", "@other.txt", "@x.ini"}, 1, "no definition section"},
    {"DecompileOneArgument", {"decompile", "@defs.pbd"}, 2, "needs IN.pbd and OUT.ini"},
    {"ImportNoOutput", {"import", "@feed.txt"}, 2, "needs --output"},
    {"ImportNoFeed", {"import", "--output", "@x.ini"}, 2, "needs at least one FEED"},
    {"ImportUnknownFormat",
     {"import", "@feed.txt", "--format", "rss", "--output", "@x.ini"},
     2,
     "unknown format 'rss'"},
    {"ImportUnknownOption",
     {"import", "@feed.txt", "--fast", "--output", "@x.ini"},
     2,
     "unknown option --fast"},
    {"ImportUnknownContent",
     {"import", "@other.txt", "--output", "@x.ini"},
     1,
     "other.txt: is no feed format"},
    {"ImportMissingFeed", {"import", "@none.txt", "--output", "@x.ini"}, 1, "No such file"},
    {"ImportOntoFeed", {"import", "@feed.txt", "--output", "@feed.txt"}, 1, "is one of the feeds"},
    {"ImportBadMerge",
     {"import", "@feed.txt", "--merge", "@other.txt", "--output", "@x.ini"},
     1,
     "cannot be merged"},
    {"ImportNoWellKnownSites",
     {"import", "@feed.txt", "--well-known", "@none.txt", "--output", "@x.ini"},
     1,
     "well-known sites cannot be read"},
    {"LookupHostBadKindSpelling", {"lookup", "@defs.pbd", "hostname", "-"}, 2, "unknown kind"},
};

class BadInput : public Tool, public testing::WithParamInterface<BadInputRow> {
protected:
    static void SetUpTestSuite() {
        Tool::SetUpTestSuite();
        const std::string shipped = ReadText(dir_ / "defs.pbd");
        WriteText(dir_ / "empty.pbd", "");
        WriteText(dir_ / "odd.pbd", shipped.substr(0, 21));
        WriteText(dir_ / "header.pbd", shipped.substr(0, 16));
        std::string damaged = shipped;
        for (std::size_t i = 16; i < 24; ++i)
            damaged[i] = static_cast<char>(damaged[i] ^ 0xFF);
        WriteText(dir_ / "damaged.pbd", damaged);
        WriteText(dir_ / "other.txt", "hello\nworld\n");
        WriteText(dir_ / "feed.txt", "evil.example\n");
    }
};

TEST_P(BadInput, ExitsNonZeroWithAMessage) {
    std::vector<std::string> args;
    for (const std::string& arg : GetParam().args)
        args.push_back(arg[0] == '@' ? Path(arg.substr(1)) : arg);
    const ToolResult result = Run(args);
    EXPECT_EQ(result.exit, GetParam().exit) << result.err;
    EXPECT_NE(result.err.find(GetParam().message), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_FALSE(fs::exists(dir_ / "x.pbd"));
    EXPECT_FALSE(fs::exists(dir_ / "x.ini"));
}

INSTANTIATE_TEST_SUITE_P(Inputs, BadInput, testing::ValuesIn(kBadInputRows),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
