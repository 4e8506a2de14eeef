// The settings windows: alert display settings, protection options, log settings (with its
// save-file dialog) and About, each driven through its real movie.
#include "app/alerts/AlertDisplaySettingsWindow.h"
#include "app/lists/ProtectionOptionsWindow.h"
#include "app/logging/LogSettingsDialog.h"
#include "app/settings/AboutWindow.h"
#include "WindowTestSupport.h"

#include <QFileDialog>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace hookwise::app;

namespace {

QString Var(CMovieDialog& window, const char* name) {
    return window.Movie()->GetVariable(QLatin1String(name));
}

// ---- Alert display settings ----

struct DisplayOpenRow {
    const char* name;
    int mail;
    int web;
    const char* sent;
};

class AlertDisplayOpen : public ::testing::TestWithParam<DisplayOpenRow> {};

TEST_P(AlertDisplayOpen, SendsTheMailSwitch) {
    AlertDisplaySettingsWindow window;
    window.DisplayMailAlerts = GetParam().mail;
    window.DisplayWebAlerts = GetParam().web;
    window.Prepare();
    EXPECT_EQ(Var(window, "_root.displayTypeAlert"), QLatin1String(GetParam().sent));
    EXPECT_EQ(Var(window, "_root.displayWebAlert"), QString::number(GetParam().web));
}

const DisplayOpenRow kDisplayOpen[] = {
    {"Both", 1, 1, "1"}, {"WebOnly", 0, 1, "0"}, {"MailOnly", 1, 0, "1"}, {"None", 0, 0, "0"}};
INSTANTIATE_TEST_SUITE_P(Flags, AlertDisplayOpen, ::testing::ValuesIn(kDisplayOpen),
                         [](const auto& info) { return std::string(info.param.name); });

struct DisplayChoiceRow {
    const char* name;
    const char* choice;
    const char* end;
    int result;
    int mail;
    int web;
};

class AlertDisplayChoice : public ::testing::TestWithParam<DisplayChoiceRow> {};

TEST_P(AlertDisplayChoice, SetsTheFieldsAndEnds) {
    const DisplayChoiceRow& row = GetParam();
    AlertDisplaySettingsWindow window;
    window.DisplayMailAlerts = 1;
    window.DisplayWebAlerts = 0;
    const int result = RunModal(window, [&] {
        SendFromMovie(window, QLatin1String(row.choice));
        SendFromMovie(window, QLatin1String(row.end));
    });
    EXPECT_EQ(result, row.result);
    EXPECT_EQ(window.DisplayMailAlerts, row.mail);
    EXPECT_EQ(window.DisplayWebAlerts, row.web);
}

const DisplayChoiceRow kDisplayChoices[] = {
    {"WebThenOk", "IDC_FS_DisplayWebAlert", "IDC_FS_OK", 1, 0, 1},
    {"MailThenOk", "IDC_FS_DISPLAYMAILALERT", "IDC_FS_OK", 1, 1, 0},
    {"AllThenOk", "IDC_FS_checkAllAlerts", "IDC_FS_OK", 1, 1, 1},
    {"ClearThenCancel", "IDC_FS_clearAllAlerts", "IDC_FS_CANCEL", 2, 0, 0},
    {"UnknownThenOk", "IDC_FS_Whatever", "idc_fs_ok", 1, 1, 0},
};
INSTANTIATE_TEST_SUITE_P(Choices, AlertDisplayChoice, ::testing::ValuesIn(kDisplayChoices),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AlertDisplaySettings, TheMoviesChoiceSendsItsCommand) {
    AlertDisplaySettingsWindow window;
    const int result = RunModal(window, [&] {
        // The movie's "Websites only" choice, then its OK button.
        QVariantMap web{{QStringLiteral("key"), QStringLiteral("web")},
                        {QStringLiteral("command"), QStringLiteral("IDC_FS_DisplayWebAlert")}};
        QMetaObject::invokeMethod(MovieRootOf(window), "pick", Q_ARG(QVariant, web));
        SendFromMovie(window, QStringLiteral("IDC_FS_OK"));
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(window.DisplayMailAlerts, 0);
    EXPECT_EQ(window.DisplayWebAlerts, 1);
}

// ---- Protection options ----

TEST(ProtectionOptions, OpensThePageOfTheListWithItsOption) {
    ProtectionOptionsWindow mail;
    mail.List = ProtectionOptionsWindow::MailList;
    mail.Option = 1;
    mail.Prepare();
    EXPECT_EQ(MovieRootOf(mail)->property("currentLabel").toString(),
              QStringLiteral("mailProtection"));
    EXPECT_EQ(Var(mail, "_root.selectedMailOption"), QStringLiteral("1"));

    ProtectionOptionsWindow site;
    site.List = ProtectionOptionsWindow::SiteList;
    site.Option = 0;
    site.Prepare();
    EXPECT_EQ(MovieRootOf(site)->property("currentLabel").toString(),
              QStringLiteral("siteBlocking"));
    EXPECT_EQ(Var(site, "_root.selectedWebOption"), QStringLiteral("0"));
}

struct OptionRow {
    const char* name;
    int list;
    const char* variable;
    const char* movieValue; // what the movie holds at OK; empty: left as opened
    const char* end;
    int result;
    int option;
};

class ProtectionOption : public ::testing::TestWithParam<OptionRow> {};

TEST_P(ProtectionOption, ReadsTheChoiceBackOnOk) {
    const OptionRow& row = GetParam();
    ProtectionOptionsWindow window;
    window.List = row.list;
    window.Option = 2;
    const int result = RunModal(window, [&] {
        if (!QByteArray(row.movieValue).isEmpty())
            window.Movie()->SetVariable(QLatin1String(row.variable), QLatin1String(row.movieValue));
        SendFromMovie(window, QLatin1String(row.end));
    });
    EXPECT_EQ(result, row.result);
    EXPECT_EQ(window.Option, row.option);
}

const OptionRow kOptions[] = {
    {"MailBlockAll", 0, "_root.selectedMailOption", "1", "IDC_FS_OK", 1, 1},
    {"SiteAllowAll", 1, "_root.selectedWebOption", "0", "IDC_FS_OK", 1, 0},
    {"UndefinedIsAllowAll", 0, "_root.selectedMailOption", "undefined", "IDC_FS_OK", 1, 0},
    {"UnchangedStays", 1, "_root.selectedWebOption", "", "idc_fs_ok", 1, 2},
    {"CancelKeeps", 0, "_root.selectedMailOption", "0", "IDC_FS_Cancel", 2, 2},
    {"NoModeKeeps", 0, "_root.selectedMailOption", "7", "IDC_FS_OK", 1, 2},
    {"SitePageIgnoresMailVariable", 1, "_root.selectedMailOption", "0", "IDC_FS_OK", 1, 2},
    {"OtherListKeeps", 5, "_root.selectedMailOption", "0", "IDC_FS_OK", 1, 2},
};
INSTANTIATE_TEST_SUITE_P(Options, ProtectionOption, ::testing::ValuesIn(kOptions),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ProtectionOptions, AnotherListShowsNoPage) {
    ProtectionOptionsWindow window;
    window.List = 3;
    window.Prepare();
    EXPECT_EQ(MovieRootOf(window)->property("currentLabel").toString(), QString());
}

// ---- Log settings ----

class LogSettings : public ::testing::Test {
protected:
    void SetUp() override {
        window_.SelectedFile = QStringLiteral("/var/log/hookwise.log");
        window_.ArchiveOn = 1;
        window_.DayInterval = 7;
    }
    LogSettingsDialog window_;
};

TEST_F(LogSettings, OpensWithTheThreeVariables) {
    window_.ArchiveOn = 0;
    window_.Prepare();
    EXPECT_EQ(Var(window_, "_root.bArchiveLog"), QStringLiteral("false"));
    EXPECT_EQ(Var(window_, "_root.dayIntervalValue"), QStringLiteral("7"));
    EXPECT_EQ(Var(window_, "_root.strSelectedFileLocation"),
              QStringLiteral("/var/log/hookwise.log"));
}

TEST_F(LogSettings, TheStepperAndTheArchiveSwitch) {
    window_.Prepare();
    SendFromMovie(window_, QStringLiteral("IDC_FS_dayStepper"), QStringLiteral("300"));
    EXPECT_EQ(window_.DayInterval, 44);
    SendFromMovie(window_, QStringLiteral("IDC_FS_dayStepper"), QStringLiteral("undefined"));
    EXPECT_EQ(window_.DayInterval, 44);
    SendFromMovie(window_, QStringLiteral("IDC_FS_dayStepper"), QStringLiteral("12"));
    EXPECT_EQ(window_.DayInterval, 12);
    SendFromMovie(window_, QStringLiteral("IDC_FS_bArchiveLog_FALSE"));
    EXPECT_EQ(window_.ArchiveOn, 0);
    SendFromMovie(window_, QStringLiteral("idc_fs_barchivelog_true"));
    EXPECT_EQ(window_.ArchiveOn, 1);
}

struct ReadBackRow {
    const char* name;
    const char* archive;
    const char* days;
    const char* file;
    int archiveOn;
    int dayInterval;
    const char* selectedFile;
};

class LogSettingsReadBack : public LogSettings,
                            public ::testing::WithParamInterface<ReadBackRow> {};

TEST_P(LogSettingsReadBack, TakesTheMoviesValuesOnOk) {
    const ReadBackRow& row = GetParam();
    const int result = RunModal(window_, [&] {
        window_.Movie()->SetVariable(QStringLiteral("_root.bArchiveLog"),
                                     QLatin1String(row.archive));
        window_.Movie()->SetVariable(QStringLiteral("_root.dayIntervalValue"),
                                     QLatin1String(row.days));
        window_.Movie()->SetVariable(QStringLiteral("_root.strSelectedFileLocation"),
                                     QLatin1String(row.file));
        SendFromMovie(window_, QStringLiteral("IDC_FS_OK"));
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(window_.ArchiveOn, row.archiveOn);
    EXPECT_EQ(window_.DayInterval, row.dayInterval);
    EXPECT_EQ(window_.SelectedFile, QLatin1String(row.selectedFile));
}

const ReadBackRow kReadBack[] = {
    {"Plain", "true", "30", "/tmp/a.log", 1, 30, "/tmp/a.log"},
    {"UndefinedKeepsTheDays", "true", "undefined", "/tmp/a.log", 1, 7, "/tmp/a.log"},
    {"ThreeHundredIsFortyFour", "true", "300", "/tmp/a.log", 1, 44, "/tmp/a.log"},
    {"FalseAnyCase", "FALSE", "3", "/tmp/a.log", 0, 3, "/tmp/a.log"},
    {"EmptyIsOff", "", "3", "/tmp/a.log", 0, 3, "/tmp/a.log"},
    {"AnythingElseIsOn", "yes", "3", "/tmp/a.log", 1, 3, "/tmp/a.log"},
    {"NoFileKeepsTheLog", "true", "3", "", 1, 3, "/var/log/hookwise.log"},
};
INSTANTIATE_TEST_SUITE_P(Values, LogSettingsReadBack, ::testing::ValuesIn(kReadBack),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(LogSettings, BrowsePicksAFileAtOnceAndCancelStillEndsWithTwo) {
    QTemporaryDir folder;
    const QString chosen = folder.path() + QStringLiteral("/picked.log");
    QString shownName;
    const int result = RunModal(window_, [&] {
        WhenModal<QFileDialog>(window_, [&](QFileDialog& dialog) {
            EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
            EXPECT_EQ(dialog.defaultSuffix(), QStringLiteral("log"));
            EXPECT_TRUE(dialog.nameFilters().contains(QStringLiteral("Log file(*.log)")));
            shownName = dialog.selectedFiles().value(0).section(QLatin1Char('/'), -1);
            dialog.selectFile(chosen);
            QMetaObject::invokeMethod(&dialog, "accept");
            QTimer::singleShot(50, &window_, [&] {
                EXPECT_EQ(Var(window_, "_root.strSelectedFileLocation"), chosen);
                SendFromMovie(window_, QStringLiteral("IDC_FS_CANCEL"));
            });
        });
        SendFromMovie(window_, QStringLiteral("IDC_FS_Browse"));
    });
    EXPECT_EQ(shownName, QStringLiteral("NewHookWsLOG.log"));
    EXPECT_EQ(result, 2);
    EXPECT_EQ(window_.SelectedFile, chosen);
}

TEST_F(LogSettings, ACancelledBrowseChangesNothing) {
    const int result = RunModal(window_, [&] {
        WhenModal<QFileDialog>(window_, [&](QFileDialog& dialog) {
            QMetaObject::invokeMethod(&dialog, "reject");
            QTimer::singleShot(50, &window_,
                               [&] { SendFromMovie(window_, QStringLiteral("IDC_FS_OK")); });
        });
        SendFromMovie(window_, QStringLiteral("IDC_FS_Browse"));
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(window_.SelectedFile, QStringLiteral("/var/log/hookwise.log"));
}

// ---- About ----

TEST(About, CloseAndOkEndWithZero) {
    for (const char* command : {"IDC_FS_CLOSE", "idc_fs_ok"}) {
        AboutWindow window;
        EXPECT_EQ(RunModal(window, [&] { SendFromMovie(window, QLatin1String(command)); }), 0)
            << command;
        EXPECT_TRUE(window.MoviePathName().endsWith(QStringLiteral("/6566.phs")));
    }
}

} // namespace
