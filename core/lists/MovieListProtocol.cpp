// The variable tables of the main movie's lists and overview.
#include "core/lists/MovieListProtocol.h"

#include "core/lists/ListNames.h"
#include "core/lists/MailSafeList.h"
#include "core/lists/WebSiteBlockingList.h"
#include "core/logging/AlertLogStore.h"
#include "core/settings/GeneralSettings.h"
#include "core/settings/LanguagePack.h"

namespace hookwise::core {

std::string MovieBoolText(bool value) {
    return value ? "true" : "false";
}

MovieVariables MailItemVariables(const MailSafeItem& item) {
    return {
        {"_root.ScamMailStructItem.Type", item.Type},
        {"_root.ScamMailStructItem.Stricted", item.StrictedData},
        {"_root.ScamMailStructItem.Action", ActionName(item.Action)},
        {"_root.strScamMailOperation", kAddOperation},
    };
}

MovieVariables SiteItemVariables(const WebSiteBlockingItem& item) {
    return {
        {"_root.ScamSiteStructItem.Type", item.Type},
        {"_root.ScamSiteStructItem.StrictedData", item.StrictedData},
        {"_root.ScamSiteStructItem.Action", ActionName(item.Action)},
        {"_root.strScamSiteOperation", kAddOperation},
    };
}

MovieVariables LogEntryVariables(const AlertLogEntry& entry) {
    return {
        {"_root.LogViewerStructItem.Count", std::to_string(entry.Count)},
        {"_root.LogViewerStructItem.RestrictedData", entry.StrictedData},
        {"_root.LogViewerStructItem.ActionTaken", entry.ActionTaken},
        {"_root.LogViewerStructItem.HostIP", entry.HostIP},
        {"_root.LogViewerStructItem.Program", entry.Program},
        {"_root.LogViewerStructItem.Protocol", entry.Protocol},
        {"_root.LogViewerStructItem.Type", entry.Type},
        {"_root.LogViewerStructItem.DateTime", entry.DateTime},
        {"_root.LogViewerStructItem.Rating", entry.Rating},
        {"_root.strViewLogOperation", kAddOperation},
    };
}

MovieVariables MailUpdateVariables(const MailSafeList& list, int index) {
    const bool present = index >= 0 && index < list.Count();
    return {
        {"_root.MailScamUpdatedItemValue", present ? ActionName(list.ItemAt(index).Action) : ""},
        {"_root.MailScamUpdatedItemIndex", std::to_string(index)},
        {"_root.strScamMailOperation", "Update"},
    };
}

MovieVariables SiteUpdateVariables(const WebSiteBlockingList& list, int index) {
    const bool present = index >= 0 && index < list.Count();
    return {
        {"_root.WebProtectionUpdatedItemValue",
         present ? ActionName(list.ItemAt(index).Action) : ""},
        {"_root.WebProtectionUpdatedItemIndex", std::to_string(index)},
        {"_root.strScamSiteOperation", "Update"},
    };
}

MovieVariables LogUpdateVariables(const AlertLogStore& log, int index) {
    const bool present = index >= 0 && index < log.Count();
    return {
        {"_root.LogViewerUpdatedItemValue",
         present ? std::to_string(log.EntryAt(index).Count) : ""},
        {"_root.LogViewerUpdatedIndexItem", std::to_string(index)},
    };
}

MovieVariables LogDropOldestVariables() {
    return {{"_root.strViewLogOperation", "RemoveFirst"}};
}

MovieVariables OverviewVariables(GeneralSettings& settings, const AlertLogStore& log,
                                 const MailSafeList& mail, const WebSiteBlockingList& web) {
    settings.NoOfBlockedInstructionsHaveHighRating =
        static_cast<std::uint32_t>(log.CountHighRated());
    const std::int32_t webState = web.ProtectionState.load();
    const std::int32_t mailState = mail.ProtectionState.load();
    return {
        {"_root.dwNoOfBlockedInstructions", std::to_string(settings.NoOfBlockedInstructions)},
        {"_root.dwNoOfBlockedInstructionsHaveHighRating",
         std::to_string(settings.NoOfBlockedInstructionsHaveHighRating)},
        {"_root.dwNoOfEmailProtection", std::to_string(settings.NoOfEmailProtection)},
        {"_root.dwNoOfWebProtection", std::to_string(settings.NoOfWebProtection)},
        {"_root.bWebSiteBlockingProtectionState", MovieBoolText(webState != 0)},
        {"_root.bEnabledAdvweb", std::to_string(webState)},
        {"_root.advWebInterval", "1"},
        {"_root.bMailSafeProtectionState", MovieBoolText(mailState != 0)},
        {"_root.bEnabledAdvMail", std::to_string(mailState)},
        {"_root.advMailInterval", "1"},
        {"_root.strApplicationVersion", settings.ProgramVersion},
        {"_root.strBaitgardSecurityEngineVersion", settings.EngineVersion},
        {"_root.strBaitgardDefinitionVersion", settings.DefinitionsVersion},
        {"_root.bLoadwithWindowsStartup", MovieBoolText(settings.LoadwithWindowsStartup != 0)},
        {"_root.bLoadSplashScreen", MovieBoolText(settings.LoadSplashScreen != 0)},
        {"_root.bIsLogin", MovieBoolText(settings.IsLogin != 0)},
        {"_root.bIsPasswordEntered", MovieBoolText(!settings.Password.empty())},
        {"_root.strCurrentLanguage", CurrentLanguage()},
        {"_root.languageOptions", ListLanguages()},
        {"_root.bLanguageChanged", "true"},
        {"_root.enumAlertEventsLevel", std::to_string(log.AlertEventsLevel)},
        {"_root.LogViewerStepper", std::to_string(log.NoAlertView)},
    };
}

} // namespace hookwise::core
