// The main movie's variable tables: the item, update and overview variables in their order.
#include "core/lists/MovieListProtocol.h"

#include "core/lists/ListNames.h"
#include "core/lists/MailSafeList.h"
#include "core/lists/WebSiteBlockingList.h"
#include "core/logging/AlertLogStore.h"
#include "core/settings/GeneralSettings.h"
#include "TraySandbox.h"

#include <gtest/gtest.h>

using namespace hookwise::core;

namespace {

class Protocol : public testing::Test {
protected:
    traytest::TrayFolder folder_;
};

TEST_F(Protocol, ItemsEndWithTheirAddOperation) {
    MailSafeItem mail;
    mail.Action = kActionBlock;
    const MovieVariables mailVariables = MailItemVariables(mail);
    EXPECT_EQ(mailVariables.back(), (MovieVariable{"_root.strScamMailOperation", "Add"}));
    EXPECT_EQ(mailVariables[2].value, "Block"); // the Action's name, not its number
    EXPECT_EQ(SiteItemVariables(WebSiteBlockingItem{}).back().name, "_root.strScamSiteOperation");
    AlertLogEntry entry;
    entry.Count = 12;
    const MovieVariables log = LogEntryVariables(entry);
    EXPECT_EQ(log.front(), (MovieVariable{"_root.LogViewerStructItem.Count", "12"}));
    EXPECT_EQ(log.back(), (MovieVariable{"_root.strViewLogOperation", "Add"}));
}

TEST_F(Protocol, UpdatesCarryValueIndexAndOperation) {
    MailSafeList mail;
    MailSafeItem item;
    item.Action = kActionAllow;
    mail.Append(item);
    EXPECT_EQ(MailUpdateVariables(mail, 0),
              (MovieVariables{{"_root.MailScamUpdatedItemValue", "Allow"},
                              {"_root.MailScamUpdatedItemIndex", "0"},
                              {"_root.strScamMailOperation", "Update"}}));
    // An index not below the count sends an empty value with the index as given.
    EXPECT_EQ(MailUpdateVariables(mail, 1)[0].value, "");
    EXPECT_EQ(MailUpdateVariables(mail, 1)[1].value, "1");

    WebSiteBlockingList web;
    EXPECT_EQ(SiteUpdateVariables(web, 0),
              (MovieVariables{{"_root.WebProtectionUpdatedItemValue", ""},
                              {"_root.WebProtectionUpdatedItemIndex", "0"},
                              {"_root.strScamSiteOperation", "Update"}}));

    AlertLogStore log;
    AlertLogEntry entry;
    entry.Count = 7;
    log.AddEntry(entry);
    EXPECT_EQ(LogUpdateVariables(log, 0),
              (MovieVariables{{"_root.LogViewerUpdatedItemValue", "7"},
                              {"_root.LogViewerUpdatedIndexItem", "0"}}));
    EXPECT_EQ(LogUpdateVariables(log, -1)[0].value, "");
}

TEST_F(Protocol, OverviewInOrderWithSwitchesAndTwins) {
    GeneralSettings settings;
    AlertLogStore log;
    MailSafeList mail;
    WebSiteBlockingList web;
    settings.NoOfBlockedInstructions = 11;
    settings.NoOfEmailProtection = 3;
    settings.NoOfWebProtection = 4;
    settings.DefinitionsVersion = "12/01/2026";
    settings.LoadSplashScreen = 0;
    settings.Password = "65";
    mail.ProtectionState = 0;
    AlertLogEntry high;
    high.Rating = "High";
    log.AddEntry(high);
    log.AddEntry(high);
    log.NoAlertView = 25;

    const MovieVariables overview = OverviewVariables(settings, log, mail, web);
    ASSERT_EQ(overview.size(), 22u);
    EXPECT_EQ(overview.front().name, "_root.dwNoOfBlockedInstructions");
    EXPECT_EQ(overview.back().name, "_root.LogViewerStepper");
    auto value = [&](const char* name) {
        for (const MovieVariable& v : overview)
            if (v.name == name)
                return v.value;
        return std::string("<missing>");
    };
    EXPECT_EQ(value("_root.dwNoOfBlockedInstructions"), "11");
    // The high-rated counter is recounted from the log first.
    EXPECT_EQ(value("_root.dwNoOfBlockedInstructionsHaveHighRating"), "2");
    EXPECT_EQ(settings.NoOfBlockedInstructionsHaveHighRating, 2u);
    EXPECT_EQ(value("_root.bWebSiteBlockingProtectionState"), "true");
    EXPECT_EQ(value("_root.bEnabledAdvweb"), "1");
    EXPECT_EQ(value("_root.bMailSafeProtectionState"), "false");
    EXPECT_EQ(value("_root.bEnabledAdvMail"), "0");
    EXPECT_EQ(value("_root.advMailInterval"), "1");
    EXPECT_EQ(value("_root.strBaitgardDefinitionVersion"), "12/01/2026");
    EXPECT_EQ(value("_root.bLoadSplashScreen"), "false");
    EXPECT_EQ(value("_root.bIsLogin"), "false");
    EXPECT_EQ(value("_root.bIsPasswordEntered"), "true");
    EXPECT_EQ(value("_root.strCurrentLanguage"), "English");
    EXPECT_EQ(value("_root.bLanguageChanged"), "true");
    EXPECT_EQ(value("_root.LogViewerStepper"), "25");
}

} // namespace
