// General settings, the product key save and load, a crash in the middle of a save, and the
// start-with-the-session entry.
#include "core/settings/GeneralSettings.h"

#include "core/ProductKey.h"
#include "core/RegistryValues.h"
#include "core/lists/MailSafeList.h"
#include "core/lists/WebSiteBlockingList.h"
#include "core/logging/AlertLogStore.h"
#include "core/settings/RunAtStartup.h"
#include "AppDataSandbox.h"

#include <csignal>

#include <sys/wait.h>
#include <unistd.h>

using namespace hookwise::platform;

using namespace hookwise::core;

namespace {

// The four stores the tray program owns, filled with something of everything.
struct Stores {
    GeneralSettings settings;
    AlertLogStore log;
    MailSafeList mail;
    WebSiteBlockingList web;

    void Fill(int generation) {
        settings.NoOfBlockedInstructions = 100 + generation;
        settings.NoOfEmailProtection = 7;
        settings.Password = EncodeFileName("secret" + std::to_string(generation));
        settings.IsLogin = 1;
        settings.DefinitionsVersion = "2009-12-0" + std::to_string(generation);
        log.ArchiveLogFileStartTime = SystemTime{2009, 12, 1, 7, 14, 5, 9, 0};
        for (int i = 0; i < 5; ++i) {
            AlertLogEntry e;
            e.StrictedData = "gen" + std::to_string(generation) + "-" + std::to_string(i);
            log.AddEntry(e);
            MailSafeItem m;
            m.StrictedData = e.StrictedData;
            m.Port = i;
            mail.Append(m);
            WebSiteBlockingItem w;
            w.ScamSite = e.StrictedData;
            web.Append(w);
        }
    }
    bool Save() { return SaveAllSettings(settings, log, mail, web); }
};

class ProductKeyTest : public AppDataSandbox {
protected:
    auto Tree() { return DumpTree(HKEY_CURRENT_USER, kProductKeyPath); }
};

TEST_F(ProductKeyTest, AnEmptyStoreLoadsTheDefaults) {
    Stores stores;
    LoadAllSettings(stores.settings, stores.log, stores.mail, stores.web);
    const GeneralSettings& s = stores.settings;
    EXPECT_EQ(s.NoOfBlockedInstructions, 0u);
    EXPECT_EQ(s.NoOfBlockedInstructionsHaveHighRating, 0u);
    EXPECT_EQ(s.NoOfEmailProtection, 0u);
    EXPECT_EQ(s.NoOfWebProtection, 0u);
    EXPECT_EQ(s.LoadwithWindowsStartup, 1);
    EXPECT_EQ(s.LoadSplashScreen, 1);
    EXPECT_EQ(s.IsLogin, 0);
    EXPECT_EQ(s.CheckVer, 1);
    EXPECT_EQ(s.Password, "");
    EXPECT_EQ(CurrentLanguage(), "English");
    // The test program carries the program's version block; no engine library lies beside it.
    EXPECT_EQ(s.ProgramVersion, "3, 0, 0, 0");
    EXPECT_EQ(s.EngineVersion, "");
}

TEST_F(ProductKeyTest, OverviewStoresEveryValueInItsForm) {
    GeneralSettings s;
    s.NoOfBlockedInstructions = 0x01020304;
    s.NoOfBlockedInstructionsHaveHighRating = 2;
    s.NoOfEmailProtection = 3;
    s.NoOfWebProtection = 4;
    s.Password = EncodeFileName("abcdef");
    s.LoadwithWindowsStartup = 0;
    s.IsLogin = 1;
    s.CheckVer = 0;
    s.LoadSplashScreen = 1;
    RegKey product;
    RegCreateKeyA(HKEY_CURRENT_USER, kProductKeyPath, product.Put());
    ASSERT_TRUE(s.Save(product.Get()));
    std::vector<std::pair<std::string, StoredValue>> expected = {
        {"NoOfBlockedInstructions", {REG_BINARY, Bytes({4, 3, 2, 1})}},
        {"NoOfBlockedInstructionsHaveHighRating", {REG_BINARY, Bytes({2, 0, 0, 0})}},
        {"NoOfEmailProtection", {REG_BINARY, Bytes({3, 0, 0, 0})}},
        {"NoOfWebProtection", {REG_BINARY, Bytes({4, 0, 0, 0})}},
        {"LoadwithWindowsStartup", {REG_BINARY, Bytes({0, 0, 0, 0})}},
        {"Password", {REG_SZ, TextBytes("656667686970")}},
        {"IsLogin", {REG_BINARY, Bytes({1, 0, 0, 0})}},
        {"CheckVer", {REG_BINARY, Bytes({0, 0, 0, 0})}},
        {"LoadSplashScreen", {REG_BINARY, Bytes({1, 0, 0, 0})}},
    };
    EXPECT_EQ(KeyValues(HKEY_CURRENT_USER, std::string(kProductKeyPath) + "\\Overview"), expected);

    GeneralSettings loaded;
    loaded.Load(product.Get());
    EXPECT_EQ(loaded.NoOfBlockedInstructions, 0x01020304u);
    EXPECT_EQ(loaded.NoOfWebProtection, 4u);
    EXPECT_EQ(loaded.Password, s.Password);
    EXPECT_EQ(loaded.LoadwithWindowsStartup, 0);
    EXPECT_EQ(loaded.IsLogin, 1);
    EXPECT_EQ(loaded.CheckVer, 0);
}

TEST_F(ProductKeyTest, FlagsReadTheLowByteOnly) {
    RegKey overview;
    RegCreateKeyA(HKEY_CURRENT_USER, (std::string(kProductKeyPath) + "\\Overview").c_str(),
                  overview.Put());
    WriteRegBytes(overview.Get(), "IsLogin", REG_BINARY, "\x01\x00\x00\x00", 4);
    WriteRegBytes(overview.Get(), "CheckVer", REG_BINARY, "\x00\x01\x00\x00", 4);
    WriteRegBytes(overview.Get(), "NoOfWebProtection", REG_BINARY, "\x05\x01", 2);
    WriteRegText(overview.Get(), "Password", ""); // empty: not taken
    overview = RegKey();
    Stores stores;
    stores.settings.Password = "kept";
    LoadAllSettings(stores.settings, stores.log, stores.mail, stores.web);
    EXPECT_EQ(stores.settings.IsLogin, 1);
    EXPECT_EQ(stores.settings.CheckVer, 0);
    EXPECT_EQ(stores.settings.NoOfWebProtection, 0x0105u);
    EXPECT_EQ(stores.settings.Password, "kept");
}

TEST_F(ProductKeyTest, SaveRewritesTheWholeKeyAndLoadReadsItBack) {
    {
        RegKey product;
        RegCreateKeyA(HKEY_CURRENT_USER, kProductKeyPath, product.Put());
        WriteRegText(product.Get(), "App Path", "/opt/hookwise");
        RegKey stale;
        RegCreateKeyA(product.Get(), "MailSafe\\MailSafeItem9", stale.Put());
    }
    Stores stores;
    stores.Fill(1);
    SetCurrentLanguage("German");
    ASSERT_TRUE(stores.Save());
    EXPECT_EQ(CurrentLanguage(), "GERMAN"); // the save upper-cases the name in memory
    auto top = KeyValues(HKEY_CURRENT_USER, kProductKeyPath);
    std::vector<std::pair<std::string, StoredValue>> expected = {
        {"LANGUAGE", {REG_SZ, TextBytes("716982776578")}},
        {"DefnsVersion", {REG_SZ, TextBytes("2009-12-01")}},
    };
    EXPECT_EQ(top, expected); // "App Path" went with the old key
    EXPECT_FALSE(
        KeyExists(HKEY_CURRENT_USER, std::string(kProductKeyPath) + "\\MailSafe\\MailSafeItem9"));
    // Removing a list entry and saving leaves no trace of it.
    stores.mail.RemoveAt(4);
    ASSERT_TRUE(stores.Save());
    EXPECT_FALSE(
        KeyExists(HKEY_CURRENT_USER, std::string(kProductKeyPath) + "\\MailSafe\\MailSafeItem4"));

    SetCurrentLanguage("English");
    Stores loaded;
    LoadAllSettings(loaded.settings, loaded.log, loaded.mail, loaded.web);
    EXPECT_EQ(CurrentLanguage(), "GERMAN");
    EXPECT_EQ(loaded.settings.NoOfBlockedInstructions, 101u);
    EXPECT_EQ(loaded.settings.Password, stores.settings.Password);
    EXPECT_EQ(loaded.log.Count(), 5);
    EXPECT_EQ(loaded.mail.Count(), 4);
    EXPECT_EQ(loaded.web.Count(), 5);
    EXPECT_EQ(loaded.mail.ItemAt(3).Port, 3);
    // Loading and saving again reproduces every byte of the key.
    auto before = Tree();
    loaded.settings.DefinitionsVersion = stores.settings.DefinitionsVersion;
    ASSERT_TRUE(loaded.Save());
    EXPECT_EQ(Tree(), before);
}

TEST_F(ProductKeyTest, ResetRemovesTheKey) {
    Stores stores;
    stores.Fill(1);
    ASSERT_TRUE(stores.Save());
    EXPECT_TRUE(ResetAllSettings());
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kProductKeyPath));
    EXPECT_TRUE(ResetAllSettings()); // nothing left to remove
    Stores fresh;
    LoadAllSettings(fresh.settings, fresh.log, fresh.mail, fresh.web);
    EXPECT_EQ(fresh.settings.NoOfBlockedInstructions, 0u);
}

// A crash in the middle of a save: a child process saves the next generation of settings and is
// killed after a given number of registry writes. Whatever the moment, the previous generation
// must be there, whole.
class CrashDuringSave : public ProductKeyTest, public ::testing::WithParamInterface<int> {};

TEST_P(CrashDuringSave, LeavesThePreviousSettingsWhole) {
    Stores first;
    first.Fill(1);
    ASSERT_TRUE(first.Save());
    auto saved = Tree();
    ASSERT_FALSE(saved.empty());

    RegistryReopenForTesting(); // the child must not share this process's connection
    pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        int writes = 0;
        const int killAfter = GetParam();
        SetRegistryWriteHookForTesting([&writes, killAfter] {
            if (++writes == killAfter)
                raise(SIGKILL);
        });
        Stores second;
        second.Fill(2);
        second.Save();
        _exit(0); // only reached when the save needs fewer writes than killAfter
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the save finished before write " << GetParam();
    EXPECT_EQ(WTERMSIG(status), SIGKILL);

    EXPECT_EQ(Tree(), saved);
    Stores loaded;
    LoadAllSettings(loaded.settings, loaded.log, loaded.mail, loaded.web);
    EXPECT_EQ(loaded.settings.NoOfBlockedInstructions, 101u);
    EXPECT_EQ(loaded.mail.Count(), 5);
    EXPECT_EQ(loaded.log.EntryAt(4).StrictedData, "gen1-4");
}

// The first write (LANGUAGE), one in the settings, in the alert log, in the lists, the last.
INSTANTIATE_TEST_SUITE_P(AfterWrites, CrashDuringSave, ::testing::Values(1, 5, 30, 70, 125, 161));

TEST_F(ProductKeyTest, TheSaveWritesTheNumberOfValuesTheCrashTestAssumes) {
    int writes = 0;
    SetRegistryWriteHookForTesting([&writes] { ++writes; });
    Stores stores;
    stores.Fill(2);
    EXPECT_TRUE(stores.Save());
    SetRegistryWriteHookForTesting({});
    EXPECT_EQ(writes, 161); // so the crash rows fall inside the save
}

class RunAtStartupTest : public AppDataSandbox {};

TEST_F(RunAtStartupTest, WritesAndRemovesTheRunValueAndTheAutostartFile) {
    std::string command = RunAtStartupCommandLine("/opt/Hook wise/HookWs");
    EXPECT_EQ(command, "/opt/Hook wise/HookWs -min");
    std::string desktop = folder_ + "/config/autostart/Hookwise.desktop";
    EXPECT_EQ(AutostartFilePath("Hookwise"), desktop);

    ASSERT_TRUE(SetRunAtStartup("Hookwise", command, false));
    EXPECT_EQ(ValueAt(HKEY_CURRENT_USER, kRunKeyPath, "Hookwise"),
              (StoredValue{REG_SZ, TextBytes(command)}));
    std::string entry = ReadFile(desktop);
    EXPECT_NE(entry.find("[Desktop Entry]\n"), std::string::npos);
    EXPECT_NE(entry.find("\nExec=\"/opt/Hook wise/HookWs\" -min\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\nName=Hookwise\n"), std::string::npos);
    EXPECT_NE(entry.find("\nTryExec=/opt/Hook wise/HookWs\n"), std::string::npos)
        << "a removed program's entry is skipped at log-in";

    ASSERT_TRUE(SetRunAtStartup("Hookwise", command, true));
    EXPECT_EQ(ValueAt(HKEY_CURRENT_USER, kRunKeyPath, "Hookwise").type, 0xFFFFFFFFu);
    EXPECT_FALSE(std::filesystem::exists(desktop));
    EXPECT_FALSE(SetRunAtStartup("Hookwise", command, true)); // nothing left: a failure
}

TEST_F(RunAtStartupTest, FallsBackToHomeAndQuotesSpecialCharacters) {
    unsetenv("XDG_CONFIG_HOME");
    std::string desktop = folder_ + "/home/.config/autostart/Hook_wise.desktop";
    EXPECT_EQ(AutostartFilePath("Hook/wise"), desktop);
    ASSERT_TRUE(SetRunAtStartup("Hook/wise", "/opt/a$b\"c/HookWs -min", false));
    EXPECT_NE(ReadFile(desktop).find("Exec=\"/opt/a\\$b\\\"c/HookWs\" -min\n"), std::string::npos)
        << ReadFile(desktop);
}

} // namespace
