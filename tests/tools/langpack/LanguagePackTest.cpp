// The language layer: string look-up through a pack, the star rule and escapes, menu translation,
// the installed packs, the pack generator and the shipped German pack.
#include "core/settings/LanguagePack.h"

#include "tools/langpack/LangSource.h"
#include "tests/core/appdata/AppDataSandbox.h"

#include <ostream>

using namespace hookwise::tools;

using namespace hookwise::core;

namespace {

class LanguagePack : public AppDataSandbox {
protected:
    void WritePack(const std::string& language, const std::string& content) {
        WriteFile(LanguagePackPath(language), content);
    }
};

TEST_F(LanguagePack, WithoutAPackEveryTextIsTheBuiltInOne) {
    for (std::uint32_t id : BuiltInTextIds())
        EXPECT_EQ(LoadText(id), BuiltInText(id)) << id;
    EXPECT_EQ(LoadText(7012), ""); // no such string
    EXPECT_EQ(LoadText(7001), "Hookwise");
}

TEST_F(LanguagePack, AppliesTheStarRuleEscapesAndFallbacks) {
    WritePack("Test", "[sgsMsWkooH]\r\n"
                      "896384=*olleH\r\n"             // 7003: reversed behind a star
                      "896512=one\\ntwo\\tthree\r\n"  // 7004: escapes, not reversed
                      "896640=\r\n"                   // 7005: empty -> built-in
                      "897536=Not in the table\r\n"   // 7012: no such string
                      "896768=*\\n*\r\n"              // 7006: star, escape after reversal
                      "896128=  *esiwkooH-eT  \r\n"); // 7001: the reader trims blanks
    SetCurrentLanguage("Test");
    EXPECT_EQ(LoadText(7003), "Hello");
    EXPECT_EQ(LoadText(7004), "one\ntwo\tthree");
    EXPECT_EQ(LoadText(7005), BuiltInText(7005));
    EXPECT_EQ(LoadText(7012), "");
    EXPECT_EQ(LoadText(7006), "*n\\"); // "*" + reverse("\n*") = "*n\" : no escape survives
    EXPECT_EQ(LoadText(7001), "Te-Hookwise");
    EXPECT_EQ(LoadText(7007), BuiltInText(7007)); // key missing
    EXPECT_EQ(LoadTextIn("English", 7003), BuiltInText(7003));
}

TEST_F(LanguagePack, PackValueCodingRoundTrips) {
    const char* texts[] = {"Hello", "two\nlines", "tab\there", "trailing  ", "a\\b", "%s done"};
    for (const char* text : texts) {
        std::string stored;
        ASSERT_TRUE(EncodePackValue(text, stored)) << text;
        EXPECT_EQ(stored[0], '*');
        EXPECT_EQ(DecodePackValue(stored), text);
    }
    std::string stored;
    EXPECT_FALSE(EncodePackValue(" leading", stored));
    EXPECT_FALSE(EncodePackValue("cr\r", stored));
}

TEST_F(LanguagePack, TranslatesTheTrayMenuByCommandAndTopLevelKey) {
    EXPECT_EQ(TopMenuKey("SystemTrayPopUpMenu", RuntimeRandom(147).Next() % 50, 0),
              "081uneMpUpoPyarTmetsyS");
    WritePack("Test", "[uneMyarTsySsWkooH]\r\n"
                      "4194688=*nelohmieH&\r\n" // &Restore
                      "4195072=&Hilfe\r\n"      // &Help, stored plainly
                      "4194816=\r\n"            // &Exit: an empty text is set as it is
                      "081uneMpUpoPyarTmetsyS=*unemyarT\r\n");
    SetCurrentLanguage("Test");
    Menu menu = LoadTrayMenu();
    TranslateMenu(menu, kTrayMenuSection);
    ASSERT_EQ(menu.size(), 1u);
    EXPECT_EQ(menu[0].text, "Traymenu");
    ASSERT_EQ(menu[0].items.size(), 6u);
    EXPECT_EQ(menu[0].items[0].text, "&Heimholen");
    EXPECT_EQ(menu[0].items[0].command, kCmdTrayRestore);
    EXPECT_TRUE(menu[0].items[1].IsSeparator());
    EXPECT_EQ(menu[0].items[2].text, "&Hilfe");
    EXPECT_EQ(menu[0].items[3].text, "&About Baitguard..."); // no key in the pack
    EXPECT_EQ(menu[0].items[5].text, "");
    EXPECT_EQ(menu[0].items[5].command, kCmdTrayExit);
}

TEST_F(LanguagePack, TranslatesNestedPopupsRecursively) {
    WritePack("Test", "[uneMyarTsySsWkooH]\r\n"
                      "081eno=*renni\r\n" // "one", first item of the nested pop-up
                      "128=*enon\r\n"     // command 1: not used, the nested items go by text
                      "256=*retuo\r\n");  // command 2 in the outer pop-up
    SetCurrentLanguage("Test");
    MenuItem inner{"Inner", 0, true, {MenuItem{"one", 1, false, {}}}};
    MenuItem outer{"Outer", 0, true, {MenuItem{"two", 2, false, {}}, inner}};
    Menu menu{outer};
    TranslateMenu(menu, kTrayMenuSection);
    EXPECT_EQ(menu[0].items[0].text, "outer");
    EXPECT_EQ(menu[0].items[1].text, "Inner"); // a pop-up's own name has no command key
    // The nested pop-up is translated as a menu of its own: its items by text and position.
    EXPECT_EQ(menu[0].items[1].items[0].text, "inner");
}

TEST_F(LanguagePack, ListsTheInstalledPacksDecoded) {
    EXPECT_EQ(ListLanguages(), "");
    WritePack("German", "");
    WritePack("English", "");
    WriteFile(GetLanguageFolder() + "/notes.txt", "");
    std::filesystem::create_directories(GetLanguageFolder() + "/6566.pbl"); // a folder
    EXPECT_EQ(ListLanguages(), "ENGLISH|GERMAN");
}

struct SourceErrorRow {
    const char* name;
    const char* source;
    const char* error; // expected start of the message
};

void PrintTo(const SourceErrorRow& row, std::ostream* os) {
    *os << row.name;
}

const SourceErrorRow kSourceErrors[] = {
    {"UnknownId", "[Messages]\n7012 = x\n", "line 2: no string 7012"},
    {"ProviderName", "[Messages]\n7024 = x\n", "line 2: string 7024 is a name"},
    {"LostDirective", "# c\n[Messages]\n7019 = kein Platzhalter\n",
     "line 3: string 7019 must keep"},
    {"ExtraDirective", "[Messages]\n7016 = %d\n", "line 2: string 7016 must keep"},
    {"Twice", "[Messages]\n7016 = a\n7016 = b\n", "line 3: string 7016 given twice"},
    {"NoSection", "7016 = a\n", "line 1: text before"},
    {"BadSection", "[Strings]\n", "line 1: unknown section"},
    {"NoEquals", "[Messages]\n7016\n", "line 2: expected KEY = text"},
    {"Empty", "[Messages]\n7016 =\n", "line 2: empty text"},
    {"LeadingBlank", "[Messages]\n7016 = \" x\"\n", "line 2: the text may not start"},
    {"UnknownCommand", "[TrayMenu]\n32773 = x\n", "line 2: no tray menu command"},
    {"UnknownTop", "[TrayMenu]\n@1 = x\n", "line 2: no top-level menu item"},
};

class LangSourceErrors : public ::testing::TestWithParam<SourceErrorRow> {};

TEST_P(LangSourceErrors, NameTheLine) {
    LangSource source;
    std::string error;
    EXPECT_FALSE(ParseLangSource(GetParam().source, false, source, error));
    EXPECT_EQ(error.rfind(GetParam().error, 0), 0u) << error;
}

INSTANTIATE_TEST_SUITE_P(Sources, LangSourceErrors, ::testing::ValuesIn(kSourceErrors),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LangSource, ACompletePackNeedsEveryTextAndMenuItem) {
    LangSource source;
    std::string error;
    EXPECT_FALSE(ParseLangSource("[Messages]\n7016 = Zulassen\n", true, source, error));
    EXPECT_NE(error.find("7001"), std::string::npos);
    EXPECT_NE(error.find("32771"), std::string::npos);
    EXPECT_NE(error.find("@0"), std::string::npos);
    EXPECT_EQ(error.find("7024"), std::string::npos);
    // The built-in source itself is complete and reads back to the same texts.
    ASSERT_TRUE(ParseLangSource(BuiltInSourceText(), true, source, error)) << error;
    EXPECT_EQ(source.texts, BuiltInSource().texts);
    EXPECT_EQ(source.menuCommands, BuiltInSource().menuCommands);
}

// The shipped German pack, as the build made it, installed into the sandbox's language folder.
class ShippedGermanPack : public AppDataSandbox {
protected:
    void SetUp() override {
        AppDataSandbox::SetUp();
        std::string built = std::string(HOOKWISE_BINARY_DIR) + "/data/lang/716982776578.pbl";
        ASSERT_TRUE(std::filesystem::exists(built)) << built;
        std::filesystem::copy_file(built, LanguagePackPath("German"));
        std::string error;
        ASSERT_TRUE(
            ParseLangSource(ReadFile(std::string(HOOKWISE_SOURCE_DIR) + "/data/lang/German.txt"),
                            true, german_, error))
            << error;
        SetCurrentLanguage("GERMAN"); // as the settings save leaves it
    }
    LangSource german_;
};

TEST_F(ShippedGermanPack, TranslatesEveryString) {
    std::size_t changed = 0;
    for (std::uint32_t id : BuiltInTextIds()) {
        if (!IsTranslatableText(id)) {
            EXPECT_EQ(LoadText(id), BuiltInText(id)) << id;
            continue;
        }
        ASSERT_TRUE(german_.texts.count(id)) << id;
        EXPECT_EQ(LoadText(id), german_.texts[id]) << id;
        changed += LoadText(id) != BuiltInText(id);
    }
    EXPECT_GE(changed, BuiltInTextIds().size() - 2); // all but the product name and the provider
    EXPECT_EQ(LoadText(kStrActionBlock), "Blockieren");
    EXPECT_EQ(LoadText(kStrAlertHost).find("'%s'") != std::string::npos, true);
}

TEST_F(ShippedGermanPack, TranslatesTheTrayMenu) {
    Menu menu = LoadTrayMenu();
    TranslateMenu(menu, kTrayMenuSection);
    EXPECT_EQ(menu[0].text, german_.menuTop[0]);
    EXPECT_EQ(FindMenuCommand(menu, kCmdTrayRestore)->text, "&Wiederherstellen");
    EXPECT_EQ(FindMenuCommand(menu, kCmdTrayHelp)->text, "&Hilfe");
    EXPECT_EQ(FindMenuCommand(menu, kCmdTrayAbout)->text, "&Info \xC3\xBC"
                                                          "ber Baitguard...");
    EXPECT_EQ(FindMenuCommand(menu, kCmdTrayExit)->text, "&Beenden");
    EXPECT_TRUE(menu[0].items[1].IsSeparator());
    EXPECT_TRUE(menu[0].items[4].IsSeparator());
}

TEST_F(ShippedGermanPack, EnglishPackGivesTheBuiltInTexts) {
    std::string built = std::string(HOOKWISE_BINARY_DIR) + "/data/lang/69787176738372.pbl";
    std::filesystem::copy_file(built, LanguagePackPath("English"));
    EXPECT_EQ(ListLanguages(), "ENGLISH|GERMAN");
    for (std::uint32_t id : BuiltInTextIds())
        EXPECT_EQ(LoadTextIn("ENGLISH", id), BuiltInText(id)) << id;
}

} // namespace
