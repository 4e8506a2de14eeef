// The main movie's commands without a window: the argument rules, what the detail, row, removal
// and stepper commands change in the lists and hand to the movie, where the administrator's gate
// is asked, and the administration commands' decisions (alert level, language, restore's
// verdict). What reaches the movie and the real login window is tested in tests/app.
#include "core/commands/CommandArguments.h"
#include "core/commands/ListCommands.h"
#include "core/commands/SettingsCommands.h"
#include "core/lists/ListFeeder.h"
#include "core/lists/ListNames.h"
#include "core/lists/MailSafeList.h"
#include "core/lists/WebSiteBlockingList.h"
#include "core/logging/AlertLogStore.h"
#include "core/settings/GeneralSettings.h"
#include "core/settings/LanguagePack.h"
#include "platform/ShellExecute.h"
#include "TraySandbox.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

using namespace hookwise::core;

using namespace traytest;

namespace {

// ---- arguments ----

struct NumberRow {
    const char* name;
    const char* args;
    std::optional<int> value;
};

const NumberRow kNumberRows[] = {
    {"Zero", "0", 0},
    {"Plain", "12", 12},
    {"Blanks", " 7 ", 7},
    {"Plus", "+3", 3},
    {"Negative", "-1", -1},
    {"Largest", "2147483647", 2147483647},
    {"Smallest", "-2147483648", -2147483647 - 1},
    {"Undefined", "undefined", std::nullopt},
    {"UndefinedUpperCase", "UNDEFINED", std::nullopt},
    {"Empty", "", std::nullopt},
    {"SignAlone", "-", std::nullopt},
    {"TrailingText", "12px", std::nullopt},
    {"Word", "abc", std::nullopt},
    {"Hex", "0x10", std::nullopt},
    {"Fraction", "1.5", std::nullopt},
    {"BeyondInt", "2147483648", std::nullopt},
    {"Huge", "99999999999999999999", std::nullopt},
};

class DecimalArgumentRows : public testing::TestWithParam<NumberRow> {};

TEST_P(DecimalArgumentRows, ReadsOnlyWholeDecimalNumbers) {
    EXPECT_EQ(DecimalArgument(GetParam().args), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Arguments, DecimalArgumentRows, testing::ValuesIn(kNumberRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RowIndexArgument, IsValidFromZeroToCountLessOne) {
    EXPECT_EQ(RowIndexArgument("0", 3), 0);
    EXPECT_EQ(RowIndexArgument("2", 3), 2);
    EXPECT_EQ(RowIndexArgument("3", 3), std::nullopt);
    EXPECT_EQ(RowIndexArgument("-1", 3), std::nullopt);
    EXPECT_EQ(RowIndexArgument("0", 0), std::nullopt);
    EXPECT_EQ(RowIndexArgument("undefined", 3), std::nullopt);
}

class ImportParameterRows : public testing::TestWithParam<const char*> {};

TEST_P(ImportParameterRows, CarryThePathAsOneArgument) {
    const std::string path = GetParam();
    const std::string parameters = ImportParameters(path);
    EXPECT_EQ(SplitParameters(parameters.c_str()), (std::vector<std::string>{"import", path}));
}

INSTANTIATE_TEST_SUITE_P(Paths, ImportParameterRows,
                         testing::Values("/tmp/settings.reg", "/home/alex/My Backups/hook wise.reg",
                                         "/tmp/say \"hello\".reg", "/tmp/back\\slash.reg",
                                         "/tmp/ends with backslash\\", "/tmp/slash\\\"quote.reg",
                                         "/tmp/tab\there.reg", ""));

// ---- the commands ----

// Records what the commands ask of the window; the gate answers as told.
class RecordingView : public CommandView {
public:
    bool allow = true;
    int gateAsked = 0;
    std::function<void()> duringGate; // runs while the "login window" is open
    int refreshes = 0;
    std::vector<MovieVariables> posted;
    std::vector<MovieVariables> set;

    bool AdministratorAllows() override {
        ++gateAsked;
        if (duringGate)
            std::exchange(duringGate, nullptr)();
        return allow;
    }
    void RefreshMainMovie() override { ++refreshes; }
    void PostToMovie(MovieVariables variables) override { posted.push_back(std::move(variables)); }
    void SetMovieVariables(const MovieVariables& variables) override { set.push_back(variables); }
};

class TrayCommandsTest : public testing::Test {
protected:
    void Fill(int count) {
        for (int i = 0; i < count; ++i) {
            MailSafeItem mail;
            mail.StrictedData = "sender" + std::to_string(i) + "@phish.example";
            mail.Program = "mailer" + std::to_string(i);
            mail.Port = 110;
            mail_.Append(mail);
            WebSiteBlockingItem site;
            site.StrictedData = "site" + std::to_string(i) + ".example/login";
            site.Program = "browser" + std::to_string(i);
            site.Port = 21;
            web_.Append(site);
        }
    }
    // The movie holds every row of the two lists (as after the feed).
    void Fed() {
        if (mail_.Count() > 0)
            mailFeeder_.SinglePost(mail_.Count() - 1);
        if (web_.Count() > 0)
            siteFeeder_.SinglePost(web_.Count() - 1);
    }

    TrayFolder folder_;
    GeneralSettings settings_;
    AlertLogStore log_;
    MailSafeList mail_;
    WebSiteBlockingList web_;
    ListFeeder logFeeder_{[this] { return log_.Count(); },
                          [this](int i) { return LogEntryVariables(log_.EntryAt(i)); },
                          [](MovieVariables) {}};
    ListFeeder mailFeeder_{[this] { return mail_.Count(); },
                           [this](int i) { return MailItemVariables(mail_.ItemAt(i)); },
                           [](MovieVariables) {}};
    ListFeeder siteFeeder_{[this] { return web_.Count(); },
                           [this](int i) { return SiteItemVariables(web_.ItemAt(i)); },
                           [](MovieVariables) {}};
    RecordingView view_;
    ListCommands lists_{CommandLists{log_, mail_, web_, logFeeder_, mailFeeder_, siteFeeder_},
                        view_};
    SettingsCommands admin_{
        CommandSettings{settings_, log_, mail_, web_, "/opt/hookwise/HookWs", "/opt/hookwise"},
        view_};
};

TEST_F(TrayCommandsTest, DetailsIgnoreWhatIsNoRowAndEmptyForUndefined) {
    Fill(3);
    for (const char* bad : {"3", "-1", "abc", "1x", ""}) {
        lists_.ShowSiteEntryDetails(bad);
        lists_.ShowMailEntryDetails(bad);
    }
    EXPECT_TRUE(view_.set.empty());
    lists_.ShowSiteEntryDetails("1");
    lists_.ShowMailEntryDetails("UNDEFINED");
    ASSERT_EQ(view_.set.size(), 2u);
    const WebSiteBlockingItem second = web_.ItemAt(1);
    EXPECT_EQ(view_.set[0], SiteEntryDetailVariables(&second));
    EXPECT_EQ(view_.set[0][0].value, "browser1");
    EXPECT_EQ(view_.set[1], MailEntryDetailVariables(nullptr));
    for (const MovieVariable& variable : view_.set[1])
        EXPECT_EQ(variable.value, "") << variable.name;
}

TEST_F(TrayCommandsTest, MailRowActionsNeverAskTheGateAndIgnoreWhatIsNoRow) {
    Fill(3);
    lists_.SetMailAction("1", kActionBlock);
    lists_.SetMailAction("2", kActionAllow);
    lists_.SetMailAction("3", kActionBlock);
    lists_.SetMailAction("undefined", kActionBlock);
    EXPECT_EQ(mail_.ItemAt(0).Action, kActionAsk);
    EXPECT_EQ(mail_.ItemAt(1).Action, kActionBlock);
    EXPECT_EQ(mail_.ItemAt(2).Action, kActionAllow);
    EXPECT_EQ(view_.gateAsked, 0);
    EXPECT_EQ(view_.posted, (std::vector<MovieVariables>{MailUpdateVariables(mail_, 1),
                                                         MailUpdateVariables(mail_, 2)}));
}

TEST_F(TrayCommandsTest, SiteRowActionsAskTheGateOnlyForARowAndLookItUpAgainAfter) {
    Fill(2);
    lists_.SetSiteAction("2", kActionBlock); // no row: nothing asked
    EXPECT_EQ(view_.gateAsked, 0);
    view_.allow = false;
    lists_.SetSiteAction("0", kActionBlock);
    EXPECT_EQ(web_.ItemAt(0).Action, kActionAsk);
    EXPECT_EQ(view_.gateAsked, 1);
    // While the login window is open the row goes: the command then changes nothing.
    view_.allow = true;
    view_.duringGate = [this] { web_.RemoveAt(1); };
    lists_.SetSiteAction("1", kActionAllow);
    EXPECT_EQ(web_.Count(), 1);
    EXPECT_EQ(web_.ItemAt(0).Action, kActionAsk);
    EXPECT_TRUE(view_.posted.empty());
    lists_.SetSiteAction("0", kActionBlock);
    EXPECT_EQ(web_.ItemAt(0).Action, kActionBlock);
    EXPECT_EQ(view_.posted, (std::vector<MovieVariables>{SiteUpdateVariables(web_, 0)}));
}

TEST_F(TrayCommandsTest, RemoveWithUndefinedOrAnIndexEqualToTheCountChangesNothing) {
    Fill(3);
    Fed();
    for (const char* args : {"undefined", "3", "-1", "one"}) {
        lists_.RemoveMailItem(args);
        lists_.RemoveSiteItem(args);
    }
    EXPECT_EQ(mail_.Count(), 3);
    EXPECT_EQ(web_.Count(), 3);
    EXPECT_TRUE(view_.posted.empty());
}

TEST_F(TrayCommandsTest, RemovalTellsTheMovieOnlyOfRowsItHolds) {
    Fill(4);
    mailFeeder_.SinglePost(1); // the movie holds mail rows 0 and 1, no site row
    lists_.RemoveMailItem("1");
    lists_.RemoveMailItem("2"); // not in the movie yet: the feed brings the rest
    lists_.RemoveSiteItem("0");
    EXPECT_EQ(mail_.Count(), 2);
    EXPECT_EQ(web_.Count(), 3);
    EXPECT_EQ(view_.posted, (std::vector<MovieVariables>{MailRemoveVariables(1)}));

    lists_.RemoveAllMailItems();
    lists_.RemoveAllSiteItems();
    EXPECT_EQ(mail_.Count(), 0);
    EXPECT_EQ(web_.Count(), 0);
    EXPECT_EQ(view_.posted.back(), SiteRemoveAllVariables());
    EXPECT_EQ(view_.posted[1], MailRemoveAllVariables());
}

TEST_F(TrayCommandsTest, LogViewerStepperTakesCountsFromOneTo32767Only) {
    lists_.SetLogViewerStepper("75");
    EXPECT_EQ(log_.NoAlertView, 75);
    for (const char* ignored : {"0", "undefined", "abc", "40000", "-5"}) {
        lists_.SetLogViewerStepper(ignored);
        EXPECT_EQ(log_.NoAlertView, 75) << ignored;
    }
    lists_.SetLogViewerStepper("32767");
    EXPECT_EQ(log_.NoAlertView, 32767);
    EXPECT_EQ(view_.refreshes, 2);
}

// ---- the administration commands' decisions ----

TEST_F(TrayCommandsTest, AlertEventsLevelTakesTheThreeLevelsOnlyAndAlwaysRefreshes) {
    admin_.SetAlertEventsLevel("1");
    EXPECT_EQ(log_.AlertEventsLevel, 1);
    // No level, or none of the three: nothing changes and the gate is not asked.
    for (const char* args : {"undefined", "7", "-1", "x"}) {
        admin_.SetAlertEventsLevel(args);
        EXPECT_EQ(log_.AlertEventsLevel, 1) << args;
    }
    EXPECT_EQ(view_.gateAsked, 1);
    view_.allow = false;
    admin_.SetAlertEventsLevel("0");
    EXPECT_EQ(log_.AlertEventsLevel, 1);
    EXPECT_EQ(view_.refreshes, 6);
}

TEST_F(TrayCommandsTest, ChangeLanguageTakesATrimmedNameButNotUndefinedOrNothing) {
    EXPECT_TRUE(SettingsCommands::ChangeLanguage(" German "));
    EXPECT_EQ(CurrentLanguage(), "German");
    EXPECT_FALSE(SettingsCommands::ChangeLanguage("undefined"));
    EXPECT_FALSE(SettingsCommands::ChangeLanguage(""));
    EXPECT_FALSE(SettingsCommands::ChangeLanguage("  "));
    EXPECT_EQ(CurrentLanguage(), "German");
}

TEST(RestoreVerdict, OnlyAToolThatEndedWithZeroTookAndEveryOtherEndSaysWhy) {
    ProgramRun run;
    EXPECT_FALSE(SettingsCommands::RestoreTook(run));
    EXPECT_NE(RestoreFailureText(run, "/tmp/a.reg").find("could not be started"),
              std::string::npos);
    run.started = true;
    EXPECT_NE(RestoreFailureText(run, "/tmp/a.reg").find("did not finish in time"),
              std::string::npos);
    run.finished = true;
    run.exitCode = 1;
    run.output = "hkreg: /tmp/a.reg: not a registry file (nothing was changed)\nmore\n";
    const std::string text = RestoreFailureText(run, "/tmp/a.reg");
    EXPECT_NE(text.find("not a registry file (nothing was changed)"), std::string::npos) << text;
    EXPECT_EQ(text.find("hkreg:"), std::string::npos) << text;
    EXPECT_EQ(text.find("/tmp/a.reg"), std::string::npos) << text;
    EXPECT_EQ(text.find("more"), std::string::npos) << text;
    run.output.clear();
    EXPECT_NE(RestoreFailureText(run, "/tmp/a.reg").find("ended with code 1"), std::string::npos);
    run.exitCode = 0;
    EXPECT_TRUE(SettingsCommands::RestoreTook(run));
}

} // namespace
