// hkwdefs: the definitions toolchain's command line (compile, decompile, lookup, index, import,
// keygen, sign).
#include "tools/hkwdefs/Compiler.h"
#include "tools/hkwdefs/Decompiler.h"
#include "tools/hkwdefs/DefinitionSet.h"
#include "tools/hkwdefs/FileIo.h"
#include "tools/hkwdefs/Lookup.h"
#include "tools/hkwdefs/ProgressBar.h"
#include "tools/hkwdefs/feeds/FeedImport.h"
#include "tools/hkwdefs/feeds/PlainOutput.h"
#include "tools/hkwdefs/signing/DefinitionSignature.h"
#include "core/definitions/ShippedFile.h"
#include "engine/DefinitionIndexFormat.h"
#include "engine/WellKnownSites.h"
#include "engine/index/DefinitionIndexBuilder.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

using namespace hookwise::tools;

using namespace hookwise::core;

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1; // bad input, refused entries, file errors
constexpr int kExitUsage = 2;  // the command line itself is wrong

constexpr char kUsage[] =
    "Usage:\n"
    "  hkwdefs compile PLAIN.ini OUT.pbd --version MM/DD/YYYY\n"
    "      Scrambles and enciphers the plain definitions into the shipped definition file.\n"
    "      Every entry is read back as the program will read it; an entry that would not\n"
    "      come back unchanged is refused by name and nothing is written.\n"
    "  hkwdefs decompile IN.pbd OUT.ini\n"
    "      Writes the definitions of a shipped file (or a working copy) as plain INI.\n"
    "  hkwdefs lookup DB.pbd KIND TEXT\n"
    "  hkwdefs lookup DB.pbd KIND -\n"
    "      Runs one engine lookup against a shipped file or a working copy and prints\n"
    "      'hit' or 'miss'; with '-', one lookup per line of standard input, one answer a\n"
    "      line. KIND: ip, url, host (the server-name check), from, subject, text, links,\n"
    "      visible-links. The mail kinds (from, subject, text, links, visible-links)\n"
    "      fold the case of TEXT first (in every script), as the page inspector does; for\n"
    "      links and visible-links TEXT is the page HTML.\n"
    "  hkwdefs index DB.pbd OUT.pbi\n"
    "      Compiles the index of a working copy (a deciphered hkwdb2.pbd) that the engine\n"
    "      answers lookups from while it belongs to that exact file; HookWs writes one beside\n"
    "      its working copy at every start.\n"
    "  hkwdefs import FEED... --output PLAIN.ini [--format NAME] [--merge PLAIN.ini]\n"
    "                 [--well-known FILE]\n"
    "      Reads public phishing feeds and writes their web addresses as [HostLink] entries\n"
    "      (and sender lists as [From] entries) of a plain definitions source for compile.\n"
    "      Formats (--format, else told from the content): phishtank-csv, phishtank-json,\n"
    "      openphish, urlhaus-csv, hosts, domains, adblock; senders (one sender address or\n"
    "      domain a line) only when named. Entries are normalised as the engine reads web\n"
    "      addresses and kept once; a bare host on the well-known sites list (FILE, by\n"
    "      default well-known-sites.txt beside the program) is dropped as feed noise.\n"
    "      Malformed lines are counted and skipped; a file of no known format is refused.\n"
    "      --merge starts from that source's entries and adds only new ones. FEED '-' is\n"
    "      standard input.\n"
    "\n"
    "Plain INI sections and keys: [HostIP] IP1.., [HostLink] HLINK1.., [Link] CLINK1.. and\n"
    "VLINK1.., [From] FROM1.., [Subject] SUB1.., [Text] TXT1... Exit status: 0 done (for\n"
    "lookup: hit or miss), 1 refused or failed, 2 wrong command line.\n";

void PrintError(std::string_view message) {
    std::fprintf(stderr, "hkwdefs: %.*s\n", static_cast<int>(message.size()), message.data());
}

int UsageError(std::string_view message) {
    PrintError(message);
    std::fprintf(stderr, "Run 'hkwdefs --help' for the usage.\n");
    return kExitUsage;
}

// True when both paths name one existing file.
bool SameFile(const std::string& a, const std::string& b) {
    std::error_code code;
    return std::filesystem::equivalent(a, b, code) && !code;
}

int Compile(const std::vector<std::string>& args) {
    std::vector<std::string> files;
    std::string version;
    bool haveVersion = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--version") {
            if (i + 1 == args.size())
                return UsageError("compile: --version needs a date MM/DD/YYYY");
            version = args[++i];
            haveVersion = true;
        } else if (arg.rfind("--version=", 0) == 0) {
            version = arg.substr(10);
            haveVersion = true;
        } else if (arg.rfind("--", 0) == 0) {
            return UsageError("compile: unknown option " + arg);
        } else {
            files.push_back(arg);
        }
    }
    if (files.size() != 2)
        return UsageError("compile: needs PLAIN.ini and OUT.pbd");
    if (!haveVersion)
        return UsageError("compile: needs --version MM/DD/YYYY");
    const std::string& plainPath = files[0];
    const std::string& outPath = files[1];
    if (SameFile(plainPath, outPath)) {
        PrintError("compile: " + outPath + " is the source itself");
        return kExitFailed;
    }

    std::string reason;
    if (!CheckVersion(version, reason)) {
        PrintError("--version " + version + ": " + reason);
        return kExitFailed;
    }
    std::string text;
    std::string error;
    if (!ReadFileBytes(plainPath, text, error)) {
        PrintError(error);
        return kExitFailed;
    }
    DefinitionSet set;
    Messages errors;
    std::string shipped;
    ProgressBar bar("compile");
    // A source that cannot be read whole is still checked, so one run reports every fault.
    const bool read = ReadPlainDefinitions(text, set, errors);
    bar.Show(10);
    if (!read)
        CheckDefinitions(set, version, errors);
    const bool compiled =
        read && CompileDefinitions(set, version, shipped, errors,
                                   [&bar](int percent) { bar.Show(10 + percent * 85 / 100); });
    bar.Finish();
    if (!compiled) {
        for (const std::string& message : errors)
            PrintError(plainPath + ": " + message);
        PrintError(std::to_string(errors.size()) + " problem(s); " + outPath + " not written");
        return kExitFailed;
    }
    if (!WriteFileReplacing(outPath, shipped, error)) {
        PrintError(error);
        return kExitFailed;
    }
    std::size_t entries = 0;
    for (const DefinitionSection& section : set)
        entries += section.entries.size();
    std::printf("hkwdefs: %zu entries compiled into %s (version %s, %zu bytes)\n", entries,
                outPath.c_str(), version.c_str(), shipped.size());
    return kExitOk;
}

int Decompile(const std::vector<std::string>& args) {
    if (args.size() != 2)
        return UsageError("decompile: needs IN.pbd and OUT.ini");
    const std::string& inPath = args[0];
    const std::string& outPath = args[1];
    if (SameFile(inPath, outPath)) {
        PrintError("decompile: " + outPath + " is the input itself");
        return kExitFailed;
    }
    std::string bytes;
    std::string error;
    if (!ReadFileBytes(inPath, bytes, error)) {
        PrintError(error);
        return kExitFailed;
    }
    if (bytes.empty()) {
        PrintError(inPath + ": the file is empty");
        return kExitFailed;
    }
    std::string version;
    std::string working = bytes;
    if (HasShippedHeader(bytes)) {
        version = ShippedVersion(bytes);
        if (!DecipherAtStartUp(bytes, working, error) || !CheckShippedContent(working, error)) {
            PrintError(inPath + ": " + error);
            return kExitFailed;
        }
    }

    DefinitionSet set;
    Messages errors;
    Messages warnings;
    const bool ok = DecompileWorkingCopy(working, set, errors, warnings);
    for (const std::string& message : warnings)
        PrintError(inPath + ": warning: " + message);
    if (!ok) {
        for (const std::string& message : errors)
            PrintError(inPath + ": " + message);
        PrintError(outPath + " not written");
        return kExitFailed;
    }
    bool known = false;
    for (const DefinitionSection& section : set)
        known = known || !CanonicalSection(section.name).empty();
    if (!known) {
        PrintError(inPath + ": no definition section found; the file is damaged or is not a " +
                   "definition file");
        return kExitFailed;
    }
    if (!WriteFileReplacing(outPath, FormatPlainDefinitions(set, version), error)) {
        PrintError(error);
        return kExitFailed;
    }
    return kExitOk;
}

int Index(const std::vector<std::string>& args) {
    if (args.size() != 2)
        return UsageError("index: needs DB.pbd and OUT.pbi");
    const std::string& dbPath = args[0];
    const std::string& outPath = args[1];
    if (SameFile(dbPath, outPath)) {
        PrintError("index: " + outPath + " is the working copy itself");
        return kExitFailed;
    }
    std::string bytes;
    std::string error;
    if (!ReadFileBytes(dbPath, bytes, error)) {
        PrintError(error);
        return kExitFailed;
    }
    if (HasShippedHeader(bytes)) {
        PrintError(dbPath + ": a shipped definition file; an index belongs to a working copy " +
                   "(the deciphered hkwdb2.pbd)");
        return kExitFailed;
    }
    ProgressBar bar("index");
    const bool built =
        BuildDefinitionIndex(dbPath, outPath, error, [&bar](int percent) { bar.Show(percent); });
    bar.Finish();
    if (!built) {
        PrintError(error);
        return kExitFailed;
    }
    if (outPath != definition_index::IndexPathFor(dbPath))
        std::printf("hkwdefs: index of %s written to %s (the engine looks for it at %s)\n",
                    dbPath.c_str(), outPath.c_str(),
                    definition_index::IndexPathFor(dbPath).c_str());
    else
        std::printf("hkwdefs: index of %s written to %s\n", dbPath.c_str(), outPath.c_str());
    return kExitOk;
}

// One lookup per line of standard input, one answer a line; answers are flushed line by line on
// a terminal (someone typing), buffered into a pipe.
int LookupLines(LookupKind kind) {
    const bool terminal = isatty(fileno(stdout)) == 1;
    char* line = nullptr;
    std::size_t capacity = 0;
    ssize_t length = 0;
    while ((length = getline(&line, &capacity, stdin)) >= 0) {
        std::string_view text(line, static_cast<std::size_t>(length));
        if (!text.empty() && text.back() == '\n')
            text.remove_suffix(1);
        if (!text.empty() && text.back() == '\r')
            text.remove_suffix(1);
        const std::string result = RunLookup(kind, text);
        std::fputs(result.c_str(), stdout);
        std::fputc('\n', stdout);
        if (terminal)
            std::fflush(stdout);
    }
    const bool failed = std::ferror(stdin) != 0;
    const int readErrno = errno;
    std::free(line);
    if (failed) {
        PrintError(std::string("standard input: ") + std::strerror(readErrno));
        return kExitFailed;
    }
    if (std::fflush(stdout) != 0) {
        PrintError(std::string("standard output: ") + std::strerror(errno));
        return kExitFailed;
    }
    return kExitOk;
}

int Lookup(const std::vector<std::string>& args) {
    if (args.size() != 3)
        return UsageError("lookup: needs DB.pbd, KIND and TEXT (or - for standard input)");
    LookupKind kind;
    if (!ParseLookupKind(args[1], kind))
        return UsageError("lookup: unknown kind '" + args[1] +
                          "' (ip, url, host, from, subject, text, links, visible-links)");
    LookupDatabase database;
    std::string error;
    if (!database.Open(args[0], error)) {
        PrintError(error);
        return kExitFailed;
    }
    if (args[2] == "-")
        return LookupLines(kind);
    const std::string result = RunLookup(kind, args[2]);
    std::printf("%s\n", result.c_str());
    return kExitOk;
}

// Reads all of standard input into bytes. False with the reason in error.
bool ReadStandardInput(std::string& bytes, std::string& error) {
    char chunk[65536];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, stdin)) > 0)
        bytes.append(chunk, got);
    if (std::ferror(stdin) == 0)
        return true;
    error = std::string("standard input: ") + std::strerror(errno);
    return false;
}

struct ImportArgs {
    std::vector<std::string> feeds;
    std::string output;
    std::string merge;
    std::string wellKnown;
    FeedFormat format = FeedFormat::Auto;
};

// Reads "--name VALUE" or "--name=VALUE" at args[i] into value. 1 when taken, 0 when args[i] is
// another argument, -1 when the value is missing.
int OptionValue(const std::vector<std::string>& args, std::size_t& i, std::string_view name,
                std::string& value) {
    const std::string& arg = args[i];
    if (arg == name) {
        if (i + 1 == args.size())
            return -1;
        value = args[++i];
        return 1;
    }
    if (arg.size() > name.size() && arg.compare(0, name.size(), name) == 0 &&
        arg[name.size()] == '=') {
        value = arg.substr(name.size() + 1);
        return 1;
    }
    return 0;
}

// Parses the import command line; "" when it is right, else the usage error.
std::string ParseImportArgs(const std::vector<std::string>& args, ImportArgs& parsed) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string format;
        bool taken = false;
        for (auto [name, value] :
             {std::pair<std::string_view, std::string*>{"--output", &parsed.output},
              {"--merge", &parsed.merge},
              {"--well-known", &parsed.wellKnown},
              {"--format", &format}}) {
            const int got = OptionValue(args, i, name, *value);
            if (got < 0)
                return "import: " + std::string(name) + " needs a value";
            if (got > 0) {
                taken = true;
                break;
            }
        }
        if (!format.empty() && !ParseFeedFormatName(format, parsed.format))
            return "import: unknown format '" + format + "' (" + FeedFormatNames() + ")";
        if (taken)
            continue;
        if (args[i].size() > 1 && args[i][0] == '-')
            return "import: unknown option " + args[i];
        parsed.feeds.push_back(args[i]);
    }
    if (parsed.feeds.empty())
        return "import: needs at least one FEED file";
    if (std::count(parsed.feeds.begin(), parsed.feeds.end(), "-") > 1)
        return "import: standard input (-) can be read once";
    if (parsed.output.empty())
        return "import: needs --output PLAIN.ini";
    return {};
}

int Import(const std::vector<std::string>& args) {
    ImportArgs parsed;
    if (std::string usage = ParseImportArgs(args, parsed); !usage.empty())
        return UsageError(usage);
    for (const std::string& feed : parsed.feeds) {
        if (SameFile(feed, parsed.output)) {
            PrintError("import: " + parsed.output + " is one of the feeds");
            return kExitFailed;
        }
    }

    // The file merged into: read whole and right, or nothing is done.
    DefinitionSet base;
    std::string error;
    if (!parsed.merge.empty()) {
        std::string text;
        if (!ReadFileBytes(parsed.merge, text, error)) {
            PrintError(error);
            return kExitFailed;
        }
        Messages errors;
        if (!ReadPlainDefinitions(text, base, errors)) {
            for (const std::string& message : errors)
                PrintError(parsed.merge + ": " + message);
            PrintError(parsed.merge + " cannot be merged; " + parsed.output + " not written");
            return kExitFailed;
        }
    }

    // Without the well-known sites, feed noise such as a whole "docs.google.com" would be kept
    // and block a site everyone uses: a missing list is an error, not a silent change.
    const std::string sitesPath =
        parsed.wellKnown.empty() ? ShippedWellKnownSitesPath() : parsed.wellKnown;
    WellKnownSites sites;
    if (!sites.AddFile(sitesPath)) {
        PrintError(sitesPath + ": the well-known sites cannot be read (" + std::strerror(errno) +
                   "); name the list with --well-known FILE");
        return kExitFailed;
    }
    if (sites.Size() == 0) {
        PrintError(sitesPath + ": holds no well-known sites");
        return kExitFailed;
    }

    // "-" is standard input (a feed piped in from a download), read whole first.
    std::string piped;
    std::vector<FeedInput> feeds;
    for (const std::string& feed : parsed.feeds) {
        if (feed != "-") {
            feeds.push_back(FeedInput::File(feed, parsed.format));
            continue;
        }
        if (!ReadStandardInput(piped, error)) {
            PrintError(error);
            return kExitFailed;
        }
        feeds.push_back(FeedInput::Memory("standard input", piped, parsed.format));
    }
    ImportOptions options;
    options.wellKnown = &sites;
    options.base = parsed.merge.empty() ? nullptr : &base;
    ProgressBar bar("import");
    options.progress = [&bar](std::uint64_t done, std::uint64_t total) {
        bar.Show(total == 0 ? 100 : static_cast<int>(done * 100 / total));
    };
    ImportReport report;
    const bool imported = ImportFeeds(feeds, options, report);
    bar.Finish();
    for (const FeedSummary& summary : report.feeds)
        std::printf("hkwdefs: %s\n", DescribeFeedSummary(summary).c_str());
    if (!imported) {
        PrintError(report.error);
        PrintError(parsed.output + " not written");
        return kExitFailed;
    }
    if (!WriteImportedDefinitions(parsed.output, base, report.entries,
                                  "Hookwise definitions source written by hkwdefs import", error)) {
        PrintError(error);
        return kExitFailed;
    }
    const ImportedDefinitions& entries = report.entries;
    std::printf("hkwdefs: %zu web address(es) and %zu sender(s) imported into %s",
                entries.NewWebCount(), entries.NewSenderCount(), parsed.output.c_str());
    if (!parsed.merge.empty())
        std::printf(" (merged into the entries of %s)", parsed.merge.c_str());
    std::printf("\n");
    if (entries.NewWebCount() + entries.NewSenderCount() == 0 && base.empty())
        PrintError("warning: no entries were imported; compile refuses an empty source");
    return kExitOk;
}

int Keygen(const std::vector<std::string>& args) {
    if (args.size() != 2)
        return UsageError("keygen: needs PRIVATE.pem and PUBLIC.pem");
    const std::string& privatePath = args[0];
    const std::string& publicPath = args[1];
    if (privatePath == publicPath)
        return UsageError("keygen: PRIVATE.pem and PUBLIC.pem must differ");
    std::string privatePem;
    std::string publicPem;
    std::string error;
    if (!GenerateSigningKeys(privatePem, publicPem, error)) {
        PrintError(error);
        return kExitFailed;
    }
    // A private key is never overwritten: losing the one the published files are signed with
    // would leave every installed copy unable to take new definitions.
    std::FILE* file = nullptr;
    const int fd = open(privatePath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 || (file = fdopen(fd, "wb")) == nullptr) {
        PrintError(privatePath + ": " + std::strerror(errno));
        if (fd >= 0)
            close(fd);
        return kExitFailed;
    }
    if (!WriteAndClose(file, privatePath, privatePem, error) ||
        !WriteFileReplacing(publicPath, publicPem, error)) {
        PrintError(error);
        return kExitFailed;
    }
    std::printf("hkwdefs: Ed25519 key pair written: private %s (keep it secret), public %s\n",
                privatePath.c_str(), publicPath.c_str());
    return kExitOk;
}

int Sign(const std::vector<std::string>& args) {
    std::vector<std::string> files;
    std::string output;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const int got = OptionValue(args, i, "--output", output);
        if (got < 0)
            return UsageError("sign: --output needs a value");
        if (got > 0)
            continue;
        if (args[i].size() > 1 && args[i][0] == '-')
            return UsageError("sign: unknown option " + args[i]);
        files.push_back(args[i]);
    }
    if (files.size() != 2)
        return UsageError("sign: needs PRIVATE.pem and FILE");
    if (output.empty())
        output = files[1] + ".sig";
    std::string key;
    std::string bytes;
    std::string signature;
    std::string error;
    if (!ReadFileBytes(files[0], key, error) || !ReadFileBytes(files[1], bytes, error)) {
        PrintError(error);
        return kExitFailed;
    }
    if (!SignDefinitions(key, bytes, signature, error)) {
        PrintError(files[0] + ": " + error);
        return kExitFailed;
    }
    if (!WriteFileReplacing(output, signature, error)) {
        PrintError(error);
        return kExitFailed;
    }
    std::printf("hkwdefs: signature of %s written to %s\n", files[1].c_str(), output.c_str());
    return kExitOk;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    const std::string command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    if (command == "compile")
        return Compile(args);
    if (command == "decompile")
        return Decompile(args);
    if (command == "lookup")
        return Lookup(args);
    if (command == "index")
        return Index(args);
    if (command == "import")
        return Import(args);
    if (command == "keygen")
        return Keygen(args);
    if (command == "sign")
        return Sign(args);
    return UsageError("unknown command '" + command + "'");
}
