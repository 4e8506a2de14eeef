// The administration commands, sent to the running main window offscreen: start-up switches,
// password and login, the settings windows behind the login gate, language, live update and
// support, and backup, reset and restore with the real registry tool (a reset followed by a start,
// a backup brought back by a restore).
#include "app/LiveUpdate.h"
#include "app/alerts/AlertDisplaySettingsWindow.h"
#include "app/lists/ProtectionOptionsWindow.h"
#include "app/logging/LogSettingsDialog.h"
#include "core/FileNames.h"
#include "core/ProductKey.h"
#include "core/RegistryValues.h"
#include "core/lists/ListNames.h"
#include "core/settings/LanguagePack.h"
#include "core/settings/PasswordRules.h"
#include "core/settings/RegistryExporter.h"
#include "core/settings/RunAtStartup.h"
#include "core/settings/StringTable.h"
#include "platform/ProductNames.h"
#include "platform/Registry.h"
#include "platform/ShellExecute.h"
#include "tests/support/Files.h"
#include "tests/support/StoredSettings.h"
#include "CommandTestSupport.h"

#include <QFileDialog>
#include <QLineEdit>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

using namespace hookwise::platform;

using namespace hookwise::app;

using namespace hookwise::core;

using namespace cmdtest;
namespace fs = std::filesystem;

namespace {

QString Text(std::uint32_t id) {
    return QString::fromStdString(LoadText(id));
}

using testsupport::ReadFile;

bool ProductKeyExists() {
    RegKey key;
    return RegOpenKeyExA(HKEY_CURRENT_USER, kProductKeyPath, 0, KEY_READ, key.Put()) ==
           ERROR_SUCCESS;
}

// The names of the product key's values and subkeys.
std::set<std::string> ProductKeyNames() {
    std::set<std::string> names;
    RegKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kProductKeyPath, 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return names;
    for (DWORD i = 0;; ++i) {
        char name[260];
        DWORD size = sizeof name;
        if (RegEnumValueA(key.Get(), i, name, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.insert(name);
    }
    for (DWORD i = 0;; ++i) {
        char name[260];
        if (RegEnumKeyA(key.Get(), i, name, sizeof name) != ERROR_SUCCESS)
            break;
        names.insert(std::string("[") + name + "]");
    }
    return names;
}

std::string ProductKeyText(const char* value) {
    RegKey key;
    std::string text;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kProductKeyPath, 0, KEY_READ, key.Put()) == ERROR_SUCCESS)
        ReadRegText(key.Get(), value, text);
    return text;
}

bool RunValueExists() {
    RegKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunKeyPath, 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return false;
    std::string text;
    return ReadRegText(key.Get(), "Hookwise", text);
}

// A registry script as sections of value lines, the order inside a section left aside and the
// "App Path" line (rewritten by every start) dropped.
std::map<std::string, std::multiset<std::string>> ScriptSections(const std::string& script) {
    std::map<std::string, std::multiset<std::string>> sections;
    std::istringstream in(script);
    std::string line, section;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line == "REGEDIT4")
            continue;
        if (line.front() == '[') {
            section = line;
            sections[section];
            continue;
        }
        if (line.rfind("\"App Path\"=", 0) == 0)
            continue;
        sections[section].insert(line);
    }
    return sections;
}

class AdminCommandsTest : public MainWindowTest {
protected:
    void Login() { app_->Settings.IsLogin = 1; }
    // A start-up with a password stored and the administrator logged out.
    void StartLocked() {
        Start();
        SetPassword("secret12");
    }
    // Refuses the login the next command asks for; true when it asked.
    template <typename Command> bool RefusedLogin(Command command) {
        ModalScript script;
        script.Then<PasswordDialog>([](PasswordDialog& d) { CancelPassword(d); });
        command();
        return script.Done() && script.Seen() == QStringList{QStringLiteral("PasswordDialog")};
    }
    std::string LiveUpdatePath() {
        return folder_.Program() + "/" + EncodeFileName("LiveUpd") + "/Update";
    }
};

// ---- start-up switches ----

TEST_F(AdminCommandsTest, LoadWithStartupTogglesTheSettingAndTheRunEntry) {
    Start();
    const std::string autostart = AutostartFilePath("Hookwise");
    ASSERT_TRUE(RunValueExists()); // written at start: on by default
    Send("IDC_FS_LoadWithWStartUp");
    EXPECT_EQ(app_->Settings.LoadwithWindowsStartup, 0);
    EXPECT_EQ(Variable("_root.bLoadwithWindowsStartup"), "false");
    EXPECT_FALSE(RunValueExists());
    EXPECT_FALSE(fs::exists(autostart));
    Send("IDC_FS_LoadWithWStartUp");
    EXPECT_EQ(app_->Settings.LoadwithWindowsStartup, 1);
    EXPECT_EQ(Variable("_root.bLoadwithWindowsStartup"), "true");
    EXPECT_TRUE(RunValueExists());
    EXPECT_TRUE(fs::exists(autostart));
}

TEST_F(AdminCommandsTest, LoadWithStartupRefusedShowsTheUnchangedValueAndLeavesTheRunEntry) {
    StartLocked();
    SetVariable("_root.bLoadwithWindowsStartup", QStringLiteral("false"));
    EXPECT_TRUE(RefusedLogin([&] { Send("IDC_FS_LoadWithWStartUp"); }));
    EXPECT_EQ(app_->Settings.LoadwithWindowsStartup, 1);
    EXPECT_EQ(Variable("_root.bLoadwithWindowsStartup"), "true");
    EXPECT_TRUE(RunValueExists());
}

TEST_F(AdminCommandsTest, LoadSplashScreenTogglesAndShowsTheValueEitherWay) {
    Start();
    Send("IDC_FS_LoadSplashScreen");
    EXPECT_EQ(app_->Settings.LoadSplashScreen, 0);
    EXPECT_EQ(Variable("_root.bLoadSplashScreen"), "false");
    SetPassword("secret12");
    SetVariable("_root.bLoadSplashScreen", QStringLiteral("true"));
    EXPECT_TRUE(RefusedLogin([&] { Send("IDC_FS_LoadSplashScreen"); }));
    EXPECT_EQ(app_->Settings.LoadSplashScreen, 0);
    EXPECT_EQ(Variable("_root.bLoadSplashScreen"), "false");
}

// ---- password and login ----

void TypeNewPassword(PasswordDialog& dialog, const char* old, const char* password,
                     const char* verify) {
    CShockwaveFlash* movie = dialog.Movie();
    movie->SetVariable(QStringLiteral("_root.strOldPasswordValue"), QString::fromLatin1(old));
    movie->SetVariable(QStringLiteral("_root.strPasswordValue"), QString::fromLatin1(password));
    movie->SetVariable(QStringLiteral("_root.strVerifyPassword"), QString::fromLatin1(verify));
    dialog.DispatchCommand(QStringLiteral("IDC_FS_LoginPassword"), QStringLiteral("undefined"));
}

TEST_F(AdminCommandsTest, SetPasswordStoresItLogsInAndABlankOneLogsOut) {
    Start();
    {
        ModalScript script;
        script.Then<PasswordDialog>([](PasswordDialog& d) {
            EXPECT_EQ(d.Mode, PasswordDialog::ModeSet);
            TypeNewPassword(d, "", "newpass1", "NEWPASS1");
        });
        Send("IDC_FS_SetPassword");
        EXPECT_TRUE(script.Done());
    }
    EXPECT_EQ(app_->Settings.Password, EncodePassword("newpass1"));
    EXPECT_EQ(app_->Settings.IsLogin, 1);
    EXPECT_EQ(Variable("_root.bIsLogin"), "true");
    EXPECT_EQ(Variable("_root.bIsPasswordEntered"), "true");

    // Cancelled: nothing changes.
    {
        ModalScript script;
        script.Then<PasswordDialog>([](PasswordDialog& d) { CancelPassword(d); });
        Send("IDC_FS_SetPassword");
    }
    EXPECT_EQ(app_->Settings.Password, EncodePassword("newpass1"));

    // A blank new password, confirmed in the warning, removes the password and logs out.
    {
        ModalScript script;
        script
            .Then<PasswordDialog>([](PasswordDialog& d) {
                EXPECT_EQ(d.Mode, PasswordDialog::ModeChange);
                TypeNewPassword(d, "newpass1", "", "");
            })
            .Then<MessageBoxWindow>([](MessageBoxWindow& box) { Press(box, "IDC_FS_OK"); });
        Send("IDC_FS_SetPassword");
        EXPECT_TRUE(script.Done());
    }
    EXPECT_EQ(app_->Settings.Password, "");
    EXPECT_EQ(app_->Settings.IsLogin, 0);
    EXPECT_EQ(Variable("_root.bIsLogin"), "false");
    EXPECT_EQ(Variable("_root.bIsPasswordEntered"), "false");
}

TEST_F(AdminCommandsTest, LoginAsksThePasswordAndLogoutAsksFirst) {
    StartLocked();
    {
        ModalScript script;
        script.Then<PasswordDialog>([](PasswordDialog& d) {
            EXPECT_EQ(d.Mode, PasswordDialog::ModeLogin);
            CancelPassword(d);
        });
        Send("IDC_FS_Login");
    }
    EXPECT_EQ(app_->Settings.IsLogin, 0);
    {
        ModalScript script;
        script.Then<PasswordDialog>([](PasswordDialog& d) { EnterPassword(d, "secret12"); });
        Send("IDC_FS_Login");
    }
    EXPECT_EQ(app_->Settings.IsLogin, 1);
    EXPECT_EQ(Variable("_root.bIsLogin"), "true");

    // Logged in: the log-out question, "no" keeps the login.
    Send("IDC_FS_Login");
    ASSERT_EQ(desktop_.confirms.size(), 1u);
    EXPECT_EQ(desktop_.confirms[0].text, Text(kStrLogoutAsk));
    EXPECT_EQ(desktop_.confirms[0].caption, Text(kStrLoginError));
    EXPECT_EQ(desktop_.confirms[0].flags, 3);
    EXPECT_EQ(app_->Settings.IsLogin, 1);
    desktop_.confirmAnswers = {1};
    Send("IDC_FS_Login");
    EXPECT_EQ(app_->Settings.IsLogin, 0);
    EXPECT_EQ(Variable("_root.bIsLogin"), "false");
}

TEST_F(AdminCommandsTest, LoginWithoutPasswordAcceptsOnlyAnEmptyEntry) {
    Start();
    ModalScript script;
    script.Then<PasswordDialog>([](PasswordDialog& d) { EnterPassword(d, "guess123"); })
        .Then<MessageBoxWindow>([](MessageBoxWindow& box) { Press(box, "IDC_FS_OK"); })
        .Then<PasswordDialog>([](PasswordDialog& d) { EnterPassword(d, ""); });
    Send("IDC_FS_Login");
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(app_->Settings.IsLogin, 1);
}

// ---- the settings windows ----

TEST_F(AdminCommandsTest, ProtectionOptionsRefusedOpenNothing) {
    StartLocked();
    EXPECT_TRUE(RefusedLogin([&] { Send("IDC_FS_AdvancedMailSettings"); }));
    EXPECT_TRUE(RefusedLogin([&] { Send("IDC_FS_AdvancedSiteBlockingSettings"); }));
    EXPECT_EQ(app_->MailList.Permission, kPermissionPerItem);
    EXPECT_EQ(app_->SiteList.Permission, kPermissionPerItem);
}

TEST_F(AdminCommandsTest, ProtectionOptionsEditOneListEach) {
    Start();
    app_->SiteList.Permission = kPermissionAllowAll;
    {
        ModalScript script;
        script.Then<ProtectionOptionsWindow>([](ProtectionOptionsWindow& w) {
            EXPECT_EQ(w.List, ProtectionOptionsWindow::MailList);
            EXPECT_EQ(w.Movie()->GetVariable(QStringLiteral("_root.selectedMailOption")), "2");
            w.Movie()->SetVariable(QStringLiteral("_root.selectedMailOption"), QStringLiteral("1"));
            w.DispatchCommand(QStringLiteral("IDC_FS_OK"), QStringLiteral("undefined"));
        });
        Send("IDC_FS_AdvancedMailSettings");
        EXPECT_TRUE(script.Done());
    }
    EXPECT_EQ(app_->MailList.Permission, kPermissionBlockAll);
    EXPECT_EQ(app_->SiteList.Permission, kPermissionAllowAll);
    {
        ModalScript script;
        script.Then<ProtectionOptionsWindow>([](ProtectionOptionsWindow& w) {
            EXPECT_EQ(w.List, ProtectionOptionsWindow::SiteList);
            EXPECT_EQ(w.Movie()->GetVariable(QStringLiteral("_root.selectedWebOption")), "0");
            w.Movie()->SetVariable(QStringLiteral("_root.selectedWebOption"), QStringLiteral("1"));
            w.DispatchCommand(QStringLiteral("IDC_FS_Cancel"), QStringLiteral("undefined"));
        });
        Send("IDC_FS_AdvancedSiteBlockingSettings");
        EXPECT_TRUE(script.Done());
    }
    EXPECT_EQ(app_->SiteList.Permission, kPermissionAllowAll);
    EXPECT_EQ(app_->MailList.Permission, kPermissionBlockAll);
}

TEST_F(AdminCommandsTest, AlertEventsLevelSetsTheFlagsAndAlwaysRefreshes) {
    Start();
    Send("IDC_FS_AlertEventsLevel", QStringLiteral("2"));
    EXPECT_EQ(app_->Log.AlertEventsLevel, 2);
    EXPECT_FALSE(app_->Log.ShowMailAlert());
    EXPECT_FALSE(app_->Log.ShowWebAlert());
    EXPECT_EQ(Variable("_root.enumAlertEventsLevel"), "2");
    app_->Log.MailOnly = 1;
    Send("IDC_FS_AlertEventsLevel", QStringLiteral("1"));
    EXPECT_TRUE(app_->Log.ShowMailAlert());
    EXPECT_FALSE(app_->Log.ShowWebAlert());
    EXPECT_EQ(Variable("_root.enumAlertEventsLevel"), "1");

    SetPassword("secret12");
    SetVariable("_root.enumAlertEventsLevel", QStringLiteral("stale"));
    EXPECT_TRUE(RefusedLogin([&] { Send("IDC_FS_AlertEventsLevel", QStringLiteral("0")); }));
    EXPECT_EQ(app_->Log.AlertEventsLevel, 1);
    EXPECT_EQ(Variable("_root.enumAlertEventsLevel"), "1");
}

TEST_F(AdminCommandsTest, LogSettingsShowTheStoreAndStoreTheAnswer) {
    StartLocked();
    EXPECT_TRUE(RefusedLogin([&] { Send("IDC_FS_AlertAndLogAdvancedSettings"); }));
    Login();
    const std::string file = folder_.Path() + "/elsewhere.log";
    ModalScript script;
    script.Then<LogSettingsDialog>([&](LogSettingsDialog& d) {
        CShockwaveFlash* movie = d.Movie();
        EXPECT_EQ(movie->GetVariable(QStringLiteral("_root.dayIntervalValue")), "1");
        EXPECT_EQ(movie->GetVariable(QStringLiteral("_root.strSelectedFileLocation")).toStdString(),
                  app_->Log.LogFilePath);
        movie->SetVariable(QStringLiteral("_root.bArchiveLog"), QStringLiteral("false"));
        movie->SetVariable(QStringLiteral("_root.dayIntervalValue"), QStringLiteral("7"));
        movie->SetVariable(QStringLiteral("_root.strSelectedFileLocation"),
                           QString::fromStdString(file));
        d.DispatchCommand(QStringLiteral("IDC_FS_OK"), QStringLiteral("undefined"));
    });
    Send("IDC_FS_AlertAndLogAdvancedSettings");
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(app_->Log.ArchiveLogFile, 0);
    EXPECT_EQ(app_->Log.ArchiveLogPeriodicDays, 7);
    EXPECT_EQ(app_->Log.LogFilePath, file);
}

TEST_F(AdminCommandsTest, CustomAlertsApplyOnOkOnly) {
    Start();
    {
        ModalScript script;
        script.Then<AlertDisplaySettingsWindow>([](AlertDisplaySettingsWindow& w) {
            w.DispatchCommand(QStringLiteral("IDC_FS_clearAllAlerts"), QStringLiteral("undefined"));
            w.DispatchCommand(QStringLiteral("IDC_FS_CANCEL"), QStringLiteral("undefined"));
        });
        Send("IDC_FS_AlertAndLogCustomSettings");
        EXPECT_TRUE(script.Done());
    }
    EXPECT_TRUE(app_->Log.ShowMailAlert());
    EXPECT_TRUE(app_->Log.ShowWebAlert());
    {
        ModalScript script;
        script.Then<AlertDisplaySettingsWindow>([](AlertDisplaySettingsWindow& w) {
            w.DispatchCommand(QStringLiteral("IDC_FS_DisplayWebAlert"),
                              QStringLiteral("undefined"));
            w.DispatchCommand(QStringLiteral("IDC_FS_OK"), QStringLiteral("undefined"));
        });
        Send("IDC_FS_AlertAndLogCustomSettings");
        EXPECT_TRUE(script.Done());
    }
    EXPECT_FALSE(app_->Log.ShowMailAlert());
    EXPECT_TRUE(app_->Log.ShowWebAlert());
    EXPECT_EQ(app_->Log.MailOnly, 0);

    SetPassword("secret12");
    EXPECT_TRUE(RefusedLogin([&] { Send("IDC_FS_AlertAndLogCustomSettings"); }));
}

// ---- language, live update and support ----

TEST_F(AdminCommandsTest, ChangeLanguageTakesTheNameAndRefreshes) {
    Start();
    // The page the provider answers a blocked request with is written at start and again in
    // the new language.
    const std::string page = folder_.Program() + "/" + kBlockedRequestPageFile;
    ASSERT_TRUE(std::filesystem::remove(page)) << "no page written at start";
    Send("IDC_FS_CHANGE_LANGUAGE", QStringLiteral("German"));
    EXPECT_TRUE(std::filesystem::exists(page));
    EXPECT_EQ(CurrentLanguage(), "German");
    EXPECT_EQ(Variable("_root.strCurrentLanguage"), "German");
    // The next save stores it.
    window_->OnTrayCommand(MainWindow::kCommandExit);
    Stop();
    EXPECT_EQ(DecodeFileName(ProductKeyText("LANGUAGE")), "GERMAN");
}

TEST_F(AdminCommandsTest, SupportIsOpenedThroughTheDesktop) {
    Start();
    Send("IDC_FS_technicalSupport");
    ASSERT_EQ(desktop_.opens.size(), 1u);
    EXPECT_EQ(desktop_.opens[0].file, "mailto:support@corvane.com");
    EXPECT_FALSE(window_->IsEnding());
}

// The update program, as a stub script: what it prints and how it ends.
void WriteUpdateStub(const std::string& path, const std::string& body) {
    fs::create_directories(fs::path(path).parent_path());
    {
        std::ofstream script(path);
        script << "#!/bin/sh\n" << body;
    }
    fs::permissions(path, fs::perms::owner_all);
}

QString BoxText(const LiveUpdate& update) {
    return update.Box() ? update.Box()->MessageText() : QString();
}

TEST_F(AdminCommandsTest, CheckForUpdatesShowsProgressThenTheSummaryWithoutFreezing) {
    Start();
    const std::string go = folder_.Path() + "/go";
    WriteUpdateStub(LiveUpdatePath(), "echo 'openphish: 1200 entries'\n"
                                      "while [ ! -e '" +
                                          go +
                                          "' ]; do sleep 0.05; done\n"
                                          "echo 'Updated: 1200 entries, version 12/02/2026'\n");
    LiveUpdate& update = window_->LiveUpdater();
    Send("IDC_FS_RunLiveUpdate");
    // The command returns at once; the box follows the program's progress while the window
    // goes on handling its events.
    ASSERT_TRUE(update.Running());
    ASSERT_NE(update.Box(), nullptr);
    EXPECT_FALSE(update.Box()->isModal());
    EXPECT_TRUE(PumpUntil([&] { return BoxText(update).contains("openphish: 1200 entries"); }));
    EXPECT_TRUE(BoxText(update).startsWith("Checking for new definitions"));
    // A second click while it runs shows the same box, no second run.
    Send("IDC_FS_RunLiveUpdate");
    EXPECT_TRUE(update.Running());

    std::ofstream(go).put('\n');
    EXPECT_TRUE(PumpUntil([&] { return !update.Running(); }));
    ASSERT_NE(update.Box(), nullptr);
    EXPECT_EQ(BoxText(update), "The definitions are up to date.\nUpdated: 1200 entries, version "
                               "12/02/2026");
    EXPECT_EQ(update.Box()->Flags(), MB_OK | MB_ICONINFORMATION);
    update.Box()->DispatchCommand(QStringLiteral("IDC_FS_OK"), QStringLiteral("undefined"));
    EXPECT_TRUE(update.Box() == nullptr || !update.Box()->isVisible());
    EXPECT_FALSE(window_->IsEnding());
}

TEST_F(AdminCommandsTest, AFailedUpdateShowsItsReasonAndAMissingProgramSaysSo) {
    Start();
    LiveUpdate& update = window_->LiveUpdater();
    Send("IDC_FS_RunLiveUpdate"); // not installed
    ASSERT_NE(update.Box(), nullptr);
    EXPECT_FALSE(update.Running());
    EXPECT_TRUE(BoxText(update).startsWith("The update program is missing:\n"));
    EXPECT_TRUE(BoxText(update).contains(QString::fromStdString(LiveUpdatePath())));
    EXPECT_EQ(update.Box()->Flags(), MB_OK | MB_ICONERROR);

    WriteUpdateStub(LiveUpdatePath(), "echo 'openphish: HTTP 404' >&2\n"
                                      "echo 'Failed: openphish: HTTP 404 Not Found'\nexit 1\n");
    Send("IDC_FS_RunLiveUpdate");
    EXPECT_TRUE(PumpUntil([&] { return !update.Running(); }));
    EXPECT_EQ(BoxText(update), "The definitions could not be updated:\nFailed: openphish: HTTP 404 "
                               "Not Found\nProtection goes on with the definitions in use.");
    EXPECT_EQ(update.Box()->Flags(), MB_OK | MB_ICONERROR);

    // A program that says nothing and is killed.
    WriteUpdateStub(LiveUpdatePath(), "kill -9 $$\n");
    Send("IDC_FS_RunLiveUpdate");
    EXPECT_TRUE(PumpUntil([&] { return !update.Running(); }));
    EXPECT_TRUE(BoxText(update).contains("stopped before it ended"));
}

TEST_F(AdminCommandsTest, TheQuietRunAtStartAsksForNoProgress) {
    Start();
    const std::string arguments = folder_.Path() + "/arguments";
    WriteUpdateStub(LiveUpdatePath(), "echo \"$@\" > '" + arguments + "'\necho 'Updated: 3'\n");
    LiveUpdate& update = window_->LiveUpdater();
    bool succeeded = false;
    QObject::connect(&update, &LiveUpdate::Finished,
                     [&](bool ok, const QString&) { succeeded = ok; });
    update.RunQuietly();
    EXPECT_TRUE(PumpUntil([&] { return !update.Running(); }));
    EXPECT_TRUE(succeeded);
    EXPECT_EQ(update.Box(), nullptr) << "nothing shows";
    EXPECT_EQ(ReadFile(arguments), "--quiet\n");
}

// ---- backup, reset and restore ----

TEST_F(AdminCommandsTest, BackupSavesTheSettingsAndExportsTheProductKey) {
    Start();
    app_->Settings.NoOfBlockedInstructions = 17;
    const std::string path = folder_.Path() + "/backup.reg";
    desktop_.fileAnswers = {QString::fromStdString(path)};
    Send("IDC_FS_BackupSettings");
    ASSERT_EQ(desktop_.fileChoices.size(), 1u);
    EXPECT_TRUE(desktop_.fileChoices[0].save);
    EXPECT_EQ(desktop_.fileChoices[0].filter, "Registry file(*.reg)|*.reg||");
    EXPECT_EQ(desktop_.fileChoices[0].fileName, "NewRegFile");
    EXPECT_EQ(desktop_.fileChoices[0].defaultSuffix, "reg");

    const std::string script = ReadFile(path);
    EXPECT_EQ(
        script.rfind("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Corvane\\Hookwise]\r\n", 0),
        0u);
    EXPECT_NE(script.find("[HKEY_CURRENT_USER\\Software\\Corvane\\Hookwise\\Overview]"),
              std::string::npos);
    EXPECT_NE(script.find("\"NoOfBlockedInstructions\"=hex:11,00,00,00"), std::string::npos);
    // The save rewrote the key; the engine still finds the program.
    EXPECT_EQ(ProductKeyText("App Path"), folder_.Program());
    EXPECT_FALSE(window_->IsEnding());

    // Cancelled: nothing is written.
    fs::remove(path);
    Send("IDC_FS_BackupSettings");
    EXPECT_FALSE(fs::exists(path));

    // A file that cannot be created is reported in the program's message box.
    desktop_.fileAnswers = {QString::fromStdString(folder_.Path() + "/no/such/folder/x.reg")};
    Send("IDC_FS_BackupSettings");
    ASSERT_EQ(desktop_.confirms.size(), 1u);
    EXPECT_EQ(desktop_.confirms[0].caption, "Hookwise");
    EXPECT_EQ(desktop_.confirms[0].text, QLatin1String(kBackupOpenErrorText));
    EXPECT_FALSE(window_->IsEnding());
}

TEST_F(AdminCommandsTest, BackupDialogIsBuiltThenGatedThenShown) {
    StartLocked();
    SetCommandDesktop(nullptr);
    const std::string path = folder_.Path() + "/chosen.reg";
    {
        bool fileDialogShown = true;
        ModalScript script;
        script.Then<PasswordDialog>([&](PasswordDialog& d) {
            fileDialogShown = false;
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (qobject_cast<QFileDialog*>(widget) && widget->isVisible())
                    fileDialogShown = true;
            CancelPassword(d);
        });
        Send("IDC_FS_BackupSettings");
        EXPECT_TRUE(script.Done());
        EXPECT_FALSE(fileDialogShown);
        EXPECT_FALSE(script.Seen().contains(QStringLiteral("QFileDialog")));
    }
    Login();
    {
        ModalScript script;
        script.Then<QFileDialog>([&](QFileDialog& d) {
            EXPECT_EQ(d.acceptMode(), QFileDialog::AcceptSave);
            EXPECT_EQ(d.nameFilters(), QStringList{QStringLiteral("Registry file(*.reg)")});
            EXPECT_EQ(d.defaultSuffix(), "reg");
            EXPECT_TRUE(d.selectedFiles().value(0).contains(QLatin1String("NewRegFile")))
                << d.selectedFiles().value(0).toStdString();
            // A name without extension gets the default one.
            d.setDirectory(QString::fromStdString(folder_.Path()));
            auto* name = d.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(name, nullptr);
            name->setText(QStringLiteral("chosen"));
            QMetaObject::invokeMethod(&d, "accept");
        });
        Send("IDC_FS_BackupSettings");
        EXPECT_TRUE(script.Done()) << script.Seen().join(u',').toStdString();
    }
    EXPECT_EQ(ReadFile(path).rfind("REGEDIT4", 0), 0u);
    SetCommandDesktop(&desktop_);
}

TEST_F(AdminCommandsTest, ResetAsksInTheMessageBoxAndNoKeepsEverything) {
    Start();
    SaveAllSettings(app_->Settings, app_->Log, app_->MailList, app_->SiteList);
    SetCommandDesktop(nullptr);
    ModalScript script;
    script.Then<MessageBoxWindow>([](MessageBoxWindow& box) {
        EXPECT_EQ(box.Caption(), "Hookwise    ");
        EXPECT_EQ(box.MessageText(), Text(kStrResetAsk));
        EXPECT_EQ(box.Flags(), 3);
        Press(box, "IDC_FS_NO");
    });
    Send("IDC_FS_Reset");
    EXPECT_TRUE(script.Done());
    EXPECT_TRUE(ProductKeyExists());
    EXPECT_FALSE(window_->IsEnding());
    SetCommandDesktop(&desktop_);

    SetPassword("secret12");
    EXPECT_TRUE(RefusedLogin([&] { Send("IDC_FS_Reset"); }));
    EXPECT_TRUE(desktop_.confirms.empty());
    EXPECT_TRUE(ProductKeyExists());
}

TEST_F(AdminCommandsTest, ResetThenAStartFindsDefaultsInEnglish) {
    Start();
    SetPassword("secret12");
    Login();
    app_->Settings.NoOfBlockedInstructions = 5;
    app_->Settings.LoadSplashScreen = 0;
    MailSafeItem item;
    item.StrictedData = "sender@phish.example";
    app_->MailList.Append(item);
    SetCurrentLanguage("German");
    SaveAllSettings(app_->Settings, app_->Log, app_->MailList, app_->SiteList);
    ASSERT_TRUE(ProductKeyExists());

    desktop_.confirmAnswers = {1};
    Send("IDC_FS_Reset");
    ASSERT_EQ(desktop_.confirms.size(), 1u);
    EXPECT_EQ(desktop_.confirms[0].caption, "Hookwise    ");
    EXPECT_EQ(desktop_.confirms[0].text, Text(kStrResetAsk));
    EXPECT_TRUE(window_->IsEnding());
    EXPECT_EQ(CurrentLanguage(), "English");
    EXPECT_FALSE(ProductKeyExists());
    Stop(); // nothing is saved on the way out
    EXPECT_FALSE(ProductKeyExists());

    Start();
    EXPECT_EQ(CurrentLanguage(), "English");
    EXPECT_EQ(Variable("_root.strCurrentLanguage"), "English");
    EXPECT_EQ(app_->Settings.NoOfBlockedInstructions, 0u);
    EXPECT_EQ(app_->Settings.Password, "");
    EXPECT_EQ(app_->Settings.LoadSplashScreen, 1);
    EXPECT_EQ(app_->MailList.Count(), 0);
    EXPECT_EQ(ProductKeyNames(), (std::set<std::string>{"App Path", "DefnsVersion"}));
}

TEST_F(AdminCommandsTest, RestoreStopsAtEveryRefusal) {
    StartLocked();
    EXPECT_TRUE(RefusedLogin([&] { Send("IDC_FS_RestoreSettings"); }));
    EXPECT_TRUE(desktop_.confirms.empty());
    Login();

    Send("IDC_FS_RestoreSettings"); // "no"
    ASSERT_EQ(desktop_.confirms.size(), 1u);
    EXPECT_EQ(desktop_.confirms[0].caption, "Hookwise     ");
    EXPECT_EQ(desktop_.confirms[0].text, Text(kStrRestoreAsk));
    EXPECT_EQ(desktop_.confirms[0].flags, 3);
    EXPECT_TRUE(desktop_.fileChoices.empty());

    desktop_.confirmAnswers = {1};
    Send("IDC_FS_RestoreSettings"); // the file dialog cancelled
    ASSERT_EQ(desktop_.fileChoices.size(), 1u);
    EXPECT_FALSE(desktop_.fileChoices[0].save);
    EXPECT_EQ(desktop_.fileChoices[0].filter, "Registry File(*.reg)|*.reg||");
    EXPECT_TRUE(desktop_.opens.empty());

    // The registry tool is not installed here: it cannot start, the user is told, and the
    // program stays.
    desktop_.openForReal = true;
    desktop_.confirmAnswers = {1};
    desktop_.fileAnswers = {QString::fromStdString(folder_.Path() + "/missing.reg")};
    Send("IDC_FS_RestoreSettings");
    ASSERT_EQ(desktop_.opens.size(), 1u);
    EXPECT_FALSE(window_->IsEnding());
    ASSERT_EQ(desktop_.confirms.size(), 4u);
    EXPECT_EQ(desktop_.confirms[3].caption, "Hookwise");
    EXPECT_EQ(desktop_.confirms[3].flags, MB_OK | MB_ICONERROR);
    EXPECT_TRUE(desktop_.confirms[3].text.contains("could not be started"))
        << desktop_.confirms[3].text.toStdString();
}

// A backup damaged by hand (a text that lost its closing quote) is refused by the registry tool:
// the user reads why, in the program's message box, and the program runs on with its settings,
// which the registry still holds unchanged.
TEST_F(AdminCommandsTest, ARefusedRestoreSaysWhyAndKeepsTheProgramAndItsSettings) {
    fs::copy_file(HKREG_PATH, folder_.Program() + "/" + kRegistryTool);
    Start();
    app_->Settings.NoOfBlockedInstructions = 7;
    MailSafeItem item;
    item.Type = "Link";
    item.StrictedData = "Called: 'http://phish.example/'\nVisible: 'bank'";
    app_->MailList.Append(item);
    SaveAllSettings(app_->Settings, app_->Log, app_->MailList, app_->SiteList);
    const std::string language = ProductKeyText("LANGUAGE");

    const std::string damaged = folder_.Path() + "/damaged.reg";
    {
        std::FILE* file = std::fopen(damaged.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fputs("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Corvane\\Hookwise]\r\n"
                   "\"LANGUAGE\"=\"717982776578\"\r\n"
                   "[HKEY_CURRENT_USER\\Software\\Corvane\\Hookwise\\MailSafe]\r\n"
                   "\"Note\"=\"never closed\r\n"
                   "[HKEY_CURRENT_USER\\Software\\Corvane\\Hookwise\\Overview]\r\n",
                   file);
        std::fclose(file);
    }
    desktop_.openForReal = true;
    desktop_.confirmAnswers = {1};
    desktop_.fileAnswers = {QString::fromStdString(damaged)};
    Send("IDC_FS_RestoreSettings");
    ASSERT_EQ(desktop_.opens.size(), 1u);
    EXPECT_EQ(desktop_.opens[0].file, folder_.Program() + "/hkreg");
    EXPECT_FALSE(window_->IsEnding());
    ASSERT_EQ(desktop_.confirms.size(), 2u);
    const QString message = desktop_.confirms[1].text;
    EXPECT_EQ(desktop_.confirms[1].caption, "Hookwise");
    EXPECT_TRUE(message.startsWith("The settings could not be restored from this file:\nline 6: "
                                   "text without closing quote"))
        << message.toStdString();
    EXPECT_TRUE(message.endsWith("Your settings are unchanged.")) << message.toStdString();
    EXPECT_FALSE(message.contains(QString::fromStdString(damaged)));

    // Nothing of the script reached the registry, and the program still holds its settings.
    EXPECT_EQ(ProductKeyText("LANGUAGE"), language);
    const StoredSettings stored;
    EXPECT_EQ(stored.settings.NoOfBlockedInstructions, 7u);
    EXPECT_EQ(stored.mail.Count(), 1);
    EXPECT_EQ(app_->MailList.Count(), 1);
    EXPECT_EQ(app_->Settings.NoOfBlockedInstructions, 7u);
}

TEST_F(AdminCommandsTest, BackupThenRestoreGivesBackTheSameProductKey) {
    fs::copy_file(HKREG_PATH, folder_.Program() + "/" + kRegistryTool);
    Start();
    SetPassword("secret12");
    Login();
    app_->Settings.NoOfBlockedInstructions = 123;
    app_->Settings.NoOfWebProtection = 9;
    app_->Settings.LoadSplashScreen = 0;
    app_->SiteList.Permission = kPermissionBlockAll;
    app_->Log.NoAlertView = 100;
    for (int i = 0; i < 3; ++i) {
        MailSafeItem mail;
        mail.Type = "Link";
        mail.StrictedData =
            "Called: 'http://phish" + std::to_string(i) + ".example/'\nVisible: 'x'";
        mail.Action = i % 3;
        app_->MailList.Append(mail);
        WebSiteBlockingItem site;
        site.Type = "URL";
        site.StrictedData = "site" + std::to_string(i) + ".example/a\\b \"quoted\"";
        site.Port = 8080;
        app_->SiteList.Append(site);
        AlertLogEntry entry;
        entry.StrictedData = "entry" + std::to_string(i);
        entry.Count = 11 + i;
        app_->Log.AddEntry(entry);
    }
    SetCurrentLanguage("German");

    const std::string backup = folder_.Path() + "/backup.reg";
    desktop_.fileAnswers = {QString::fromStdString(backup)};
    Send("IDC_FS_BackupSettings");
    const std::string saved = ReadFile(backup);
    ASSERT_FALSE(saved.empty());
    EXPECT_EQ(app_->Settings.IsLogin, 1); // the program runs on logged in

    desktop_.confirmAnswers = {1};
    Send("IDC_FS_Reset");
    ASSERT_TRUE(window_->IsEnding());
    Stop();
    Start();
    ASSERT_EQ(app_->MailList.Count(), 0);

    desktop_.openForReal = true;
    desktop_.confirmAnswers = {1};
    desktop_.fileAnswers = {QString::fromStdString(backup)};
    Send("IDC_FS_RestoreSettings");
    ASSERT_EQ(desktop_.opens.size(), 1u);
    EXPECT_EQ(desktop_.opens[0].file, folder_.Program() + "/hkreg");
    EXPECT_EQ(desktop_.opens[0].directory, folder_.Program());
    EXPECT_EQ(desktop_.opens[0].showCommand, SW_HIDE);
    EXPECT_TRUE(window_->IsEnding());
    Stop(); // without a save, so nothing overwrites what the tool restores

    // The tool merges the file in one transaction: once the language is there, all of it is.
    ASSERT_TRUE(PumpUntil([] { return !ProductKeyText("LANGUAGE").empty(); }));
    const std::string now = folder_.Path() + "/now.reg";
    {
        RegistryExporter exporter(now);
        ASSERT_TRUE(exporter.ExportKey(HKEY_CURRENT_USER, kProductKeyPath, kProductKeyFullName));
    }
    EXPECT_EQ(ScriptSections(ReadFile(now)), ScriptSections(saved));

    Start();
    EXPECT_EQ(CurrentLanguage(), "GERMAN");
    EXPECT_EQ(app_->Settings.Password, EncodePassword("secret12"));
    // The backup was made logged in, but it restores logged out: the password is asked again.
    EXPECT_EQ(app_->Settings.IsLogin, 0);
    EXPECT_EQ(app_->Settings.NoOfBlockedInstructions, 123u);
    EXPECT_EQ(app_->Settings.LoadSplashScreen, 0);
    EXPECT_EQ(app_->SiteList.Permission, kPermissionBlockAll);
    EXPECT_EQ(app_->Log.NoAlertView, 100);
    ASSERT_EQ(app_->MailList.Count(), 3);
    EXPECT_EQ(app_->MailList.ItemAt(0).StrictedData,
              "Called: 'http://phish0.example/'\nVisible: 'x'");
    ASSERT_EQ(app_->SiteList.Count(), 3);
    EXPECT_EQ(app_->SiteList.ItemAt(2).StrictedData, "site2.example/a\\b \"quoted\"");
    EXPECT_EQ(app_->SiteList.ItemAt(2).Port, 8080);
    ASSERT_EQ(app_->Log.Count(), 3);
    EXPECT_EQ(app_->Log.EntryAt(1).Count, 12);
}

} // namespace
