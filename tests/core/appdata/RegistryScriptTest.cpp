// Registry scripts: the exporter's exact output, the importer's forms and refusals, the backup
// and restore of the product key, and the hkreg tool.
#include "core/ProductKey.h"
#include "core/RegistryValues.h"
#include "core/lists/MailSafeList.h"
#include "core/lists/WebSiteBlockingList.h"
#include "core/logging/AlertLogStore.h"
#include "core/settings/GeneralSettings.h"
#include "core/settings/RegistryExporter.h"
#include "core/settings/RegistryImporter.h"
#include "AppDataSandbox.h"

#include <ostream>

#include <sys/wait.h>

using namespace hookwise::platform;

using namespace hookwise::core;

namespace {

constexpr const char* kTestKey = "Software\\Test";
constexpr const char* kTestKeyFull = "HKEY_CURRENT_USER\\Software\\Test";

class RegistryScript : public AppDataSandbox {
protected:
    HKEY Key(const std::string& sub = "") {
        std::string path = sub.empty() ? kTestKey : std::string(kTestKey) + "\\" + sub;
        keys_.emplace_back();
        RegCreateKeyA(HKEY_CURRENT_USER, path.c_str(), keys_.back().Put());
        return keys_.back().Get();
    }
    std::string Export(const std::string& path = "") {
        std::string file = path.empty() ? folder_ + "/backup.reg" : path;
        RegistryExporter exporter(file);
        EXPECT_TRUE(exporter.ExportKey(HKEY_CURRENT_USER, kTestKey, kTestKeyFull));
        return ReadFile(file);
    }
    bool Import(const std::string& script, std::string* error = nullptr) {
        std::string file = folder_ + "/import.reg";
        WriteFile(file, script);
        std::string message;
        bool ok = ImportRegistryScript(file, message);
        if (error)
            *error = message;
        return ok;
    }
    void TearDown() override {
        keys_.clear();
        AppDataSandbox::TearDown();
    }
    std::vector<RegKey> keys_;
};

struct LineRow {
    const char* name;
    const char* valueName;
    DWORD type;
    std::vector<BYTE> data;
    const char* line;
};

void PrintTo(const LineRow& row, std::ostream* os) {
    *os << row.name;
}

const LineRow kLines[] = {
    {.name = "TextWithTerminator",
     .valueName = "a",
     .type = REG_SZ,
     .data = TextBytes(std::string("x\\y", 3) + '\0'),
     .line = "\"a\"=\"x\\\\y\""},
    {.name = "TextWithoutTerminatorKeepsItsEnd",
     .valueName = "a",
     .type = REG_SZ,
     .data = TextBytes("abc"),
     .line = "\"a\"=\"abc\""},
    {.name = "EmptyText", .valueName = "a", .type = REG_SZ, .data = {}, .line = "\"a\"=\"\""},
    {.name = "QuoteUnchanged",
     .valueName = "say \"hi\"",
     .type = REG_SZ,
     .data = TextBytes("he said \"no\""),
     .line = "\"say \"hi\"\"=\"he said \"no\"\""},
    {.name = "BackslashInName",
     .valueName = "a\\b",
     .type = REG_BINARY,
     .data = Bytes({1}),
     .line = "\"a\\\\b\"=hex:01"},
    {.name = "DefaultValue",
     .valueName = "",
     .type = REG_SZ,
     .data = TextBytes("d"),
     .line = "@=\"d\""},
    {.name = "Dword300",
     .valueName = "n",
     .type = REG_DWORD,
     .data = Bytes({0x2c, 0x01, 0, 0}),
     .line = "\"n\"=dword:0000012c"},
    {.name = "DwordOne",
     .valueName = "n",
     .type = REG_DWORD,
     .data = Bytes({1, 0, 0, 0}),
     .line = "\"n\"=dword:00000001"},
    {.name = "EmptyBinary", .valueName = "b", .type = REG_BINARY, .data = {}, .line = "\"b\"=hex:"},
    {.name = "Binary",
     .valueName = "b",
     .type = REG_BINARY,
     .data = Bytes({0, 0xAB, 0x10}),
     .line = "\"b\"=hex:00,ab,10"},
    {.name = "Expand",
     .valueName = "e",
     .type = REG_EXPAND_SZ,
     .data = TextBytes(std::string("%P%", 3) + '\0'),
     .line = "\"e\"=hex(2):25,50,25,00"},
    {.name = "Multi",
     .valueName = "m",
     .type = REG_MULTI_SZ,
     .data = Bytes({'a', 0, 0}),
     .line = "\"m\"=hex(7):61,00,00"},
    // Forms that keep every byte where the plain forms would lose some.
    {.name = "TextWithLineBreak",
     .valueName = "k",
     .type = REG_SZ,
     .data = TextBytes("a\nb"),
     .line = "\"k\"=hex(1):61,0a,62"},
    {.name = "TextWithInnerNul",
     .valueName = "k",
     .type = REG_SZ,
     .data = Bytes({'a', 0, 'b'}),
     .line = "\"k\"=hex(1):61,00,62"},
    {.name = "ShortDword",
     .valueName = "n",
     .type = REG_DWORD,
     .data = Bytes({1, 2}),
     .line = "\"n\"=hex(4):01,02"},
    {.name = "Qword",
     .valueName = "q",
     .type = REG_QWORD,
     .data = Bytes({1, 0, 0, 0, 0, 0, 0, 0}),
     .line = "\"q\"=hex(b):01,00,00,00,00,00,00,00"},
    {.name = "None", .valueName = "z", .type = REG_NONE, .data = {}, .line = "\"z\"=hex(0):"},
};

class ScriptLines : public RegistryScript, public ::testing::WithParamInterface<LineRow> {};

TEST_P(ScriptLines, AreWrittenAndReadBackExactly) {
    const LineRow& row = GetParam();
    EXPECT_EQ(ScriptValueLine(row.valueName, row.type, row.data.data(), row.data.size()), row.line);

    // The line imports back to the stored bytes (a text's terminator is not restored: the
    // program's own texts have none).
    std::vector<BYTE> expected = row.data;
    if (row.type == REG_SZ && !expected.empty() && expected.back() == 0 &&
        std::string(row.line).find("hex(") == std::string::npos)
        expected.pop_back();
    ASSERT_TRUE(
        Import(std::string("REGEDIT4\r\n\r\n[") + kTestKeyFull + "]\r\n" + row.line + "\r\n"));
    EXPECT_EQ(ValueAt(HKEY_CURRENT_USER, kTestKey, row.valueName),
              (StoredValue{row.type, expected}));
}

INSTANTIATE_TEST_SUITE_P(Types, ScriptLines, ::testing::ValuesIn(kLines),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RegistryScript, ExportsTheTreeDepthFirstWithCrLf) {
    WriteRegText(Key(), "z", "last");
    WriteRegNumber(Key(), "a", 1, 4, REG_DWORD);
    WriteRegText(Key("b"), "v", "b");
    WriteRegText(Key("a"), "v", "a");
    WriteRegText(Key("a\\deep"), "v", "deep");
    Key("c"); // an empty key
    EXPECT_EQ(Export(), "REGEDIT4\r\n"
                        "\r\n"
                        "[HKEY_CURRENT_USER\\Software\\Test]\r\n"
                        "\"z\"=\"last\"\r\n"
                        "\"a\"=dword:00000001\r\n"
                        "[HKEY_CURRENT_USER\\Software\\Test\\a]\r\n"
                        "\"v\"=\"a\"\r\n"
                        "[HKEY_CURRENT_USER\\Software\\Test\\a\\deep]\r\n"
                        "\"v\"=\"deep\"\r\n"
                        "[HKEY_CURRENT_USER\\Software\\Test\\b]\r\n"
                        "\"v\"=\"b\"\r\n"
                        "[HKEY_CURRENT_USER\\Software\\Test\\c]\r\n");
}

TEST_F(RegistryScript, ExportEmptiesAnOlderLongerFileAndLongValuesFit) {
    std::string file = folder_ + "/backup.reg";
    WriteFile(file, std::string(10000, 'x'));
    std::string longName(300, 'n');
    std::string longText(5000, 't');
    WriteRegText(Key(), longName.c_str(), longText);
    std::string script = Export(file);
    EXPECT_EQ(script, std::string("REGEDIT4\r\n\r\n[") + kTestKeyFull + "]\r\n\"" + longName +
                          "\"=\"" + longText + "\"\r\n");
}

TEST_F(RegistryScript, ExportOfAMissingKeyOrFileWritesNothing) {
    std::string file = folder_ + "/backup.reg";
    {
        RegistryExporter exporter(file);
        EXPECT_FALSE(exporter.ExportKey(HKEY_CURRENT_USER, "Software\\Absent", "x"));
    }
    EXPECT_EQ(ReadFile(file), "");
    std::string caption, text;
    RegistryExporter broken(folder_ + "/no/such/folder/x.reg",
                            [&](const std::string& c, const std::string& t) {
                                caption = c;
                                text = t;
                            });
    EXPECT_FALSE(broken.IsOpen());
    EXPECT_EQ(caption, "Hookwise");
    EXPECT_EQ(text, "Cannot open a Registry backup file..");
    EXPECT_FALSE(broken.ExportKey(HKEY_CURRENT_USER, kTestKey, kTestKeyFull));
}

TEST_F(RegistryScript, ImportMergesCreatesAndDeletes) {
    WriteRegText(Key(), "keep", "old");
    WriteRegText(Key(), "gone", "x");
    WriteRegText(Key("old\\deeper"), "v", "x");
    ASSERT_TRUE(Import("\xEF\xBB\xBFREGEDIT4\n"
                       "; a comment line\n"
                       "[HKEY_CURRENT_USER\\Software\\Test]\n"
                       "\"gone\"=-\n"
                       "\"new\"=hex:01,02,\\\n"
                       "    03,04,\\\n"
                       "    05\n"
                       "\"quoted\"=\"a \\\"b\\\" c\"\n"
                       "\"spaced\" = dword:FF\n"
                       "[-HKEY_CURRENT_USER\\Software\\Test\\old]\n"
                       "\"ignored\"=\"under a deleted key\"\n"
                       "[HKCU\\Software\\Test\\made\\on\\the\\way]\n"
                       "@=\"default\"\n"
                       "\"unknown\"=\n"));
    EXPECT_EQ(ValueAt(HKEY_CURRENT_USER, kTestKey, "keep"),
              (StoredValue{REG_SZ, TextBytes("old")}));
    EXPECT_EQ(ValueAt(HKEY_CURRENT_USER, kTestKey, "gone").type, 0xFFFFFFFFu);
    EXPECT_EQ(ValueAt(HKEY_CURRENT_USER, kTestKey, "new"),
              (StoredValue{REG_BINARY, Bytes({1, 2, 3, 4, 5})}));
    EXPECT_EQ(ValueAt(HKEY_CURRENT_USER, kTestKey, "quoted"),
              (StoredValue{REG_SZ, TextBytes("a \"b\" c")}));
    EXPECT_EQ(ValueAt(HKEY_CURRENT_USER, kTestKey, "spaced"),
              (StoredValue{REG_DWORD, Bytes({0xFF, 0, 0, 0})}));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, std::string(kTestKey) + "\\old"));
    std::string made = std::string(kTestKey) + "\\made\\on\\the\\way";
    EXPECT_EQ(ValueAt(HKEY_CURRENT_USER, made, ""), (StoredValue{REG_SZ, TextBytes("default")}));
    EXPECT_EQ(ValueAt(HKEY_CURRENT_USER, made, "unknown").type, 0xFFFFFFFFu);
}

// Texts written as the plain form gives them, line breaks and all, as another writer of the
// format (or an older backup) leaves them: each text runs on to the line that ends with a quote.
TEST_F(RegistryScript, QuotedTextsReadOnOverTheirLineBreaks) {
    ASSERT_TRUE(Import("REGEDIT4\r\n\r\n"
                       "[HKEY_CURRENT_USER\\Software\\Test\\MailSafeItem0]\r\n"
                       "\"StrictedData\"=\"Called: 'http://x.example/'\n"
                       "Visible: 'bank'\"\r\n"
                       "\"Type\"=\"Link\"\r\n"
                       "\"crlf\"=\"first  \r\n"
                       "  second\r\n"
                       "\r\n"
                       "fourth \\\\ \"quoted\"\"  \r\n"
                       "\"lone\"=\"\r\n"
                       "\"\r\n"
                       "\"after\"=\"ok\"\r\n"));
    const std::string key = std::string(kTestKey) + "\\MailSafeItem0";
    EXPECT_EQ(ValueAt(HKEY_CURRENT_USER, key, "StrictedData"),
              (StoredValue{REG_SZ, TextBytes("Called: 'http://x.example/'\nVisible: 'bank'")}));
    EXPECT_EQ(ValueAt(HKEY_CURRENT_USER, key, "Type"), (StoredValue{REG_SZ, TextBytes("Link")}));
    EXPECT_EQ(ValueAt(HKEY_CURRENT_USER, key, "crlf"),
              (StoredValue{REG_SZ, TextBytes("first  \r\n  second\r\n\r\nfourth \\ \"quoted\"")}));
    EXPECT_EQ(ValueAt(HKEY_CURRENT_USER, key, "lone"), (StoredValue{REG_SZ, TextBytes("\r\n")}));
    EXPECT_EQ(ValueAt(HKEY_CURRENT_USER, key, "after"), (StoredValue{REG_SZ, TextBytes("ok")}));
}

// A backup of what the lists and the log store for a link (its key holds a line feed), a number
// of an odd size and a text with CR LF: restored, the registry holds the same bytes, and a second
// backup is the same file.
TEST_F(RegistryScript, ABackupOfEveryStoredFormRestoresByteForByte) {
    DetectionRecord link{};
    CopyField(link.mail.linkTarget, "http://phish.example/login?a=\"1\"");
    CopyField(link.mail.linkText, "Your bank \\ here");
    link.mail.kind = kKindLink;
    MailSafeList mail;
    mail.Append(MailItemFromRecord(link));
    AlertLogStore log;
    AlertLogEntry entry;
    entry.StrictedData = mail.ItemAt(0).StrictedData;
    entry.Type = "Link";
    log.AddEntry(entry);
    GeneralSettings settings;
    WebSiteBlockingList web;
    ASSERT_TRUE(SaveAllSettings(settings, log, mail, web));
    RegKey product;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kProductKeyPath, 0, KEY_ALL_ACCESS, product.Put()),
              ERROR_SUCCESS);
    WriteRegBytes(product.Get(), "Short", REG_DWORD, "\x01\x02\x03", 3);
    WriteRegText(product.Get(), "Lines", "one\r\ntwo\r\n");
    product = RegKey();
    const auto saved = DumpTree(HKEY_CURRENT_USER, kProductKeyPath);

    const std::string first = folder_ + "/first.reg";
    const std::string second = folder_ + "/second.reg";
    {
        RegistryExporter exporter(first);
        ASSERT_TRUE(exporter.ExportKey(HKEY_CURRENT_USER, kProductKeyPath, kProductKeyFullName));
    }
    ASSERT_TRUE(ResetAllSettings());
    std::string error;
    ASSERT_TRUE(ImportRegistryScript(first, error)) << error;
    EXPECT_EQ(DumpTree(HKEY_CURRENT_USER, kProductKeyPath), saved);
    {
        RegistryExporter exporter(second);
        ASSERT_TRUE(exporter.ExportKey(HKEY_CURRENT_USER, kProductKeyPath, kProductKeyFullName));
    }
    EXPECT_EQ(ReadFile(second), ReadFile(first));
}

struct BadScriptRow {
    const char* name;
    const char* script;
    const char* error;
};

void PrintTo(const BadScriptRow& row, std::ostream* os) {
    *os << row.name;
}

const BadScriptRow kBadScripts[] = {
    {"NoHeader", "[HKEY_CURRENT_USER\\X]\n", "line 1: "},
    {"Utf16", "\xFF\xFEW", "line 1: a UTF-16 script"},
    {"UnclosedKey", "REGEDIT4\n\n[HKEY_CURRENT_USER\\X\n", "line 3: key name without"},
    {"UnknownRoot", "REGEDIT4\n[HKEY_USERS\\X]\n", "line 2: unknown root key"},
    {"DeleteRoot", "REGEDIT4\n[-HKEY_CURRENT_USER]\n", "line 2: a root key cannot"},
    {"ValueFirst", "REGEDIT4\n\"a\"=\"b\"\n", "line 2: value line before"},
    {"UnclosedName", "REGEDIT4\n[HKCU\\X]\n\"a=\"b\"\n", "line 3: value name without"},
    {"UnclosedText", "REGEDIT4\n[HKCU\\X]\n\"a\"=\"b\n", "line 3: text without closing"},
    {"UnclosedTextBeforeValue", "REGEDIT4\n[HKCU\\X]\n\"a\"=\"b\nmore\n\"c\"=\"d\"\n",
     "line 3: text without closing"},
    {"UnclosedTextBeforeDefault", "REGEDIT4\n[HKCU\\X]\n\"a\"=\"b\n@=\"d\"\n",
     "line 3: text without closing"},
    {"UnclosedTextBeforeKey", "REGEDIT4\n[HKCU\\X]\n\"a\"=\"b\r\n[HKCU\\Y]\r\n\"c\"=\"d\"\r\n",
     "line 3: text without closing"},
    {"LongDword", "REGEDIT4\n[HKCU\\X]\n\"a\"=dword:123456789\n", "line 3: dword:"},
    {"BadDword", "REGEDIT4\n[HKCU\\X]\n\"a\"=dword:xyz\n", "line 3: dword:"},
    {"BadHexByte", "REGEDIT4\n[HKCU\\X]\n\"a\"=hex:01,zz\n", "line 3: bad hex byte"},
    {"LongHexByte", "REGEDIT4\n[HKCU\\X]\n\"a\"=hex:012\n", "line 3: bad hex byte"},
    {"EmptyHexByte", "REGEDIT4\n[HKCU\\X]\n\"a\"=hex:01,,02\n", "line 3: bad hex byte"},
    {"BadContinuation", "REGEDIT4\n[HKCU\\X]\n\"a\"=hex:01,\\\n  zz\n", "line 3: bad hex byte"},
    {"ContinuedPastEnd", "REGEDIT4\n[HKCU\\X]\n\"a\"=hex:01,\\\n", "line 3: hex data continued"},
    {"BadHexType", "REGEDIT4\n[HKCU\\X]\n\"a\"=hex(q):01\n", "line 3: hex(N):"},
    {"NoColon", "REGEDIT4\n[HKCU\\X]\n\"a\"=hex 01\n", "line 3: ':' expected"},
    {"UnknownData", "REGEDIT4\n[HKCU\\X]\n\"a\"=123\n", "line 3: unknown value data"},
    {"AtWithoutEquals", "REGEDIT4\n[HKCU\\X]\n@\"x\"\n", "line 3: '=' expected"},
    {"LaterLine", "REGEDIT4\n[HKCU\\X]\n\"ok\"=\"fine\"\n\n; c\n\"b\"=dword:\n", "line 6: dword:"},
};

class BadScripts : public RegistryScript, public ::testing::WithParamInterface<BadScriptRow> {};

TEST_P(BadScripts, AreRefusedWithTheirLineAndChangeNothing) {
    WriteRegText(Key(), "keep", "me");
    auto before = DumpTree(HKEY_CURRENT_USER, "Software");
    std::string error;
    EXPECT_FALSE(Import(GetParam().script, &error));
    EXPECT_EQ(error.rfind(GetParam().error, 0), 0u) << error;
    EXPECT_EQ(DumpTree(HKEY_CURRENT_USER, "Software"), before);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "X"));
}

INSTANTIATE_TEST_SUITE_P(Scripts, BadScripts, ::testing::ValuesIn(kBadScripts),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RegistryScript, AnImportThatFailsHalfwayChangesNothing) {
    WriteRegText(Key(), "keep", "me");
    auto before = DumpTree(HKEY_CURRENT_USER, "Software");
    // Well formed, but the store refuses the second key (a name longer than 255 characters), so
    // the value already set by the script is rolled back too.
    std::string error;
    EXPECT_FALSE(
        Import("REGEDIT4\n[HKCU\\Software\\Test]\n\"keep\"=\"changed\"\n[HKCU\\Software\\" +
                   std::string(300, 'k') + "]\n\"b\"=\"2\"\n",
               &error));
    EXPECT_EQ(error.rfind("line 4: cannot create", 0), 0u) << error;
    EXPECT_EQ(DumpTree(HKEY_CURRENT_USER, "Software"), before);
}

// The Backup command's path: save all, export the product key; then Reset, then Restore.
TEST_F(RegistryScript, BackupResetRestoreGivesBackTheSameProductKey) {
    GeneralSettings settings;
    AlertLogStore log;
    MailSafeList mail;
    WebSiteBlockingList web;
    settings.NoOfBlockedInstructions = 300;
    settings.Password = EncodeFileName("C:\\pass\"word");
    settings.DefinitionsVersion = "12/07/2009";
    AlertLogEntry entry;
    entry.StrictedData = "http://bad.example/a\\b";
    entry.Rating = "High";
    log.AddEntry(entry);
    log.LogFilePath = "/home/u/Hook \"wise\"/log";
    DetectionRecord link{};
    CopyField(link.mail.linkTarget, "http://x/");
    CopyField(link.mail.linkText, "bank");
    link.mail.kind = kKindLink;
    mail.Append(MailItemFromRecord(link)); // its key holds a line feed
    MailSafeItem quoteItem;
    quoteItem.Subject = "\"Urgent\" \\\\ notice\\";
    mail.Append(quoteItem);
    web.Append(WebSiteBlockingItem{});
    SetCurrentLanguage("German");
    ASSERT_TRUE(SaveAllSettings(settings, log, mail, web));
    auto saved = DumpTree(HKEY_CURRENT_USER, kProductKeyPath);

    std::string file = folder_ + "/NewRegFile.reg";
    {
        RegistryExporter exporter(file);
        ASSERT_TRUE(exporter.ExportKey(HKEY_CURRENT_USER, kProductKeyPath, kProductKeyFullName));
    }
    ASSERT_TRUE(ResetAllSettings());
    ASSERT_FALSE(KeyExists(HKEY_CURRENT_USER, kProductKeyPath));
    std::string error;
    ASSERT_TRUE(ImportRegistryScript(file, error)) << error;
    EXPECT_EQ(DumpTree(HKEY_CURRENT_USER, kProductKeyPath), saved);
}

int RunHkreg(const std::string& arguments, std::string* output = nullptr) {
    std::string command = std::string(HKREG_PATH) + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    std::string text;
    char buffer[4096];
    while (std::size_t got = fread(buffer, 1, sizeof buffer, pipe))
        text.append(buffer, got);
    int status = pclose(pipe);
    if (output)
        *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(RegistryScript, HkregRefusesAMalformedScriptWithItsLine) {
    WriteRegText(Key(), "keep", "me");
    keys_.clear();
    RegistryReopenForTesting(); // let the tool write the file on its own
    auto before = DumpTree(HKEY_CURRENT_USER, "Software");
    std::string file = folder_ + "/bad.reg";
    WriteFile(file,
              "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Test]\r\n\"keep\"=\"changed\"\r\n"
              "\"new\"=\"x\"\r\n\"broken\"=hex:0g\r\n");
    std::string output;
    EXPECT_EQ(RunHkreg("import '" + file + "'", &output), 1);
    EXPECT_NE(output.find("line 6"), std::string::npos) << output;
    EXPECT_NE(output.find("nothing was changed"), std::string::npos) << output;
    EXPECT_EQ(DumpTree(HKEY_CURRENT_USER, "Software"), before);
}

TEST_F(RegistryScript, HkregExportsImportsAndQueries) {
    WriteRegText(Key(), "text", "hello");
    WriteRegNumber(Key(), "num", 300, 4, REG_DWORD);
    WriteRegNumber(Key("sub"), "bin", 0x0102, 2);
    keys_.clear();
    RegistryReopenForTesting();
    std::string file = folder_ + "/out.reg";
    std::string output;
    ASSERT_EQ(RunHkreg("export 'HKEY_CURRENT_USER\\Software\\Test' '" + file + "'", &output), 0)
        << output;
    EXPECT_EQ(ReadFile(file), "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Test]\r\n"
                              "\"text\"=\"hello\"\r\n\"num\"=dword:0000012c\r\n"
                              "[HKEY_CURRENT_USER\\Software\\Test\\sub]\r\n\"bin\"=hex:02,01\r\n");
    ASSERT_EQ(RunHkreg("query 'HKCU\\Software\\Test'", &output), 0);
    EXPECT_EQ(output, "HKEY_CURRENT_USER\\Software\\Test\n"
                      "    text    REG_SZ    hello\n"
                      "    num    REG_DWORD    0x12c\n"
                      "\n"
                      "HKEY_CURRENT_USER\\Software\\Test\\sub\n");
    ASSERT_EQ(RunHkreg("query 'HKCU\\Software\\Test\\sub' bin", &output), 0);
    EXPECT_EQ(output, "HKEY_CURRENT_USER\\Software\\Test\\sub\n    bin    REG_BINARY    0201\n");
    EXPECT_EQ(RunHkreg("query 'HKCU\\Software\\Test' absent", &output), 1);
    EXPECT_NE(output.find("no value \"absent\""), std::string::npos);
    EXPECT_EQ(RunHkreg("query 'HKCU\\Software\\Nothing'", &output), 1);
    EXPECT_NE(output.find("no such key"), std::string::npos);
    EXPECT_EQ(RunHkreg("export 'HKEY_NOWHERE\\X' '" + file + "'", &output), 1);
    EXPECT_EQ(RunHkreg("import '" + folder_ + "/missing.reg'", &output), 1);
    EXPECT_NE(output.find("cannot open the file"), std::string::npos);
    EXPECT_EQ(RunHkreg("frobnicate", &output), 2);
    EXPECT_EQ(RunHkreg("", &output), 2);

    // Restore through the tool: delete, import the export, compare.
    auto before = DumpTree(HKEY_CURRENT_USER, kTestKey);
    RegistryReopenForTesting();
    SHDeleteKeyA(HKEY_CURRENT_USER, kTestKey);
    RegistryReopenForTesting();
    ASSERT_EQ(RunHkreg("import '" + file + "'", &output), 0) << output;
    EXPECT_EQ(DumpTree(HKEY_CURRENT_USER, kTestKey), before);
}

} // namespace
