// The built-in English string table.
#include "core/settings/StringTable.h"

#include <algorithm>
#include <iterator>

namespace hookwise::core {

namespace {
struct StringEntry {
    std::uint32_t id;
    const char* text;
};

// Ascending by id.
constexpr StringEntry kStrings[] = {
    {kStrAboutMenu, "&About Baitguard..."},
    {kStrAppTitle, "Hookwise"},
    {kStrPreviousInstance, "Can't open application because there is a previous instance running."},
    {kStrWrongLoginPassword, "The password you typed is not correct.\nYou do not have the right to "
                             "change settings.\nPlease try again."},
    {kStrLoginError, "Login error"},
    {kStrWrongOldPassword, "You did not enter your old password correctly.\nPlease try again."},
    {kStrPasswordWarning, "Password Warning"},
    {kStrBlankPasswordAsk, "A blank password will allow anyone to change the settings!\nAre you "
                           "sure that you do not want a password?"},
    {kStrPasswordMismatch,
     "The Password you typed does not match. Type the new password in both text boxes."},
    {kStrPasswordError, "Password Error"},
    {kStrPasswordRule, "Your password must contain at least 6 characters and no more than 31 (no "
                       "spaces).\n Please enter a new password."},
    {kStrLogoutAsk, "Are you sure you want to log out and lose all administrator privileges?"},
    {kStrRatingHigh, "High"},
    {kStrRatingMedium, "Medium"},
    {kStrActionAllow, "Allow"},
    {kStrActionBlock, "Block"},
    {kStrActionAsk, "Ask"},
    {kStrAlertHost, "You are trying to connect to a phishing host whose\nIP is '%s'\nIt is "
                    "strongly recommended \nthat you block it now."},
    {kStrAlertUrl, "You are trying to connect to a phishing site whose \nURL is '%s'\nIt is "
                   "strongly recommended that you block it now."},
    {kStrAlertMail, "The incoming e-mail is identified to be a phishing \ne-mail.\nIf this e-mail "
                    "is not expected or not from a trusted \nsource it is highly recommended that "
                    "you block it now."},
    {kStrResetAsk, "Do you really want to reset the application settings?\nThe application will "
                   "exit when you press Reset."},
    {kStrRestoreAsk, "Do you really want to restore the application settings?\nThe application "
                     "will exit when you press Restore."},
    {kStrProviderName, "HookSwp_lsp"},
    {kStrRestoreFailed, "The settings could not be restored from this file:\n%s\nYour settings "
                        "are unchanged."},
    {kStrHelpMissing, "The help could not be opened:\n%s"},
    {kStrBlockedPageTitle, "Blocked by Hookwise"},
    {kStrBlockedPageText, "Hookwise held back this address because it is listed as a phishing "
                          "site.\nYour request was not sent."},
    {kStrUpdateRunning, "Checking for new definitions...\n%s"},
    {kStrUpdateDone, "The definitions are up to date.\n%s"},
    {kStrUpdateFailed, "The definitions could not be updated:\n%s\nProtection goes on with the "
                       "definitions in use."},
    {kStrUpdateMissing, "The update program is missing:\n%s\nReinstall Hookwise to check for "
                        "updates."},
    {kStrChannelFailed, "Hookwise cannot receive detection reports:\n%s\nYou are not protected: "
                        "nothing is checked until this is mended and Hookwise is started again."},
    {kStrDefinitionsDamaged, "The phishing definitions are damaged:\n%s\nYou are not protected: "
                             "nothing is recognised until new definitions are installed."},
    {kStrDataFolderRefused, "Hookwise keeps its lists, log and counters in\n%s\nThat is a link or "
                            "not your own folder. Hookwise never writes through it, so it cannot "
                            "start: remove it and start Hookwise again."},
};
} // namespace

const char* BuiltInText(std::uint32_t id) {
    auto it = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
                               [](const StringEntry& e, std::uint32_t v) { return e.id < v; });
    if (it == std::end(kStrings) || it->id != id)
        return nullptr;
    return it->text;
}

std::vector<std::uint32_t> BuiltInTextIds() {
    std::vector<std::uint32_t> ids;
    for (const StringEntry& e : kStrings)
        ids.push_back(e.id);
    return ids;
}

bool IsTranslatableText(std::uint32_t id) {
    return id != kStrProviderName && BuiltInText(id);
}

} // namespace hookwise::core
