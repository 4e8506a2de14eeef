// hkwdefs: the definitions toolchain's command line (compile, decompile, lookup).
#include "engine/DefinitionIndexFormat.h"
#include "engine/index/DefinitionIndexBuilder.h"
#include "tools/hkwdefs/Compiler.h"
#include "tools/hkwdefs/Decompiler.h"
#include "tools/hkwdefs/DefinitionSet.h"
#include "tools/hkwdefs/FileIo.h"
#include "tools/hkwdefs/Lookup.h"
#include "tools/hkwdefs/ProgressBar.h"
#include "tools/hkwdefs/ShippedFile.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

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
    "      Runs one engine lookup against a shipped file or a working copy and prints\n"
    "      'hit' or 'miss'. KIND: ip, url, from, subject, text, links, visible-links.\n"
    "      The mail kinds (from, subject, text, links, visible-links) lower-case TEXT first,\n"
    "      as the page inspector does; for links and visible-links TEXT is the page HTML.\n"
    "  hkwdefs index DB.pbd OUT.pbi\n"
    "      Compiles the index of a working copy (a deciphered hkwdb2.pbd) that the engine\n"
    "      answers lookups from while it belongs to that exact file; HookWs writes one beside\n"
    "      its working copy at every start.\n"
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

int Lookup(const std::vector<std::string>& args) {
    if (args.size() != 3)
        return UsageError("lookup: needs DB.pbd, KIND and TEXT");
    LookupKind kind;
    if (!ParseLookupKind(args[1], kind))
        return UsageError("lookup: unknown kind '" + args[1] +
                          "' (ip, url, from, subject, text, links, visible-links)");
    LookupDatabase database;
    std::string error;
    if (!database.Open(args[0], error)) {
        PrintError(error);
        return kExitFailed;
    }
    const std::string result = RunLookup(kind, args[2]);
    std::printf("%s\n", result.c_str());
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
    return UsageError("unknown command '" + command + "'");
}
