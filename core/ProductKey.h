// The product key HKEY_CURRENT_USER\Software\Corvane\Hookwise as a whole: loading every store at
// start and the save that rewrites the key.
#pragma once

#include "platform/ProductNames.h"
#include "platform/WinTypes.h"

namespace hookwise::core {

class GeneralSettings;
class AlertLogStore;
class MailSafeList;
class WebSiteBlockingList;

constexpr const char* kProductKeyName = "Hookwise";

// Loading at start: opens the product key (nothing is loaded and every default stays when it does
// not open); "LANGUAGE" decoded becomes the current language (absent or empty keeps it); then
// settings, alert log, mail list and site list load in this order. All reads run in one registry
// transaction, so they see one consistent state of the key.
void LoadAllSettings(GeneralSettings& settings, AlertLogStore& log, MailSafeList& mail,
                     WebSiteBlockingList& web);

// Deletes the product key with everything below it and writes it anew: "LANGUAGE" (the current
// language encoded; the current language becomes its upper-cased form), "DefnsVersion", then
// settings, alert log, mail list and site list. All of it is one registry transaction: when any
// step fails, or the process dies in the middle, the previous product key stays whole. Returns
// true when the new key was committed.
bool SaveAllSettings(const GeneralSettings& settings, const AlertLogStore& log,
                     const MailSafeList& mail, const WebSiteBlockingList& web);

// SaveAllSettings with IsLogin stored as 0, whatever it is in memory (settings keeps its value):
// the saves made while the program runs on (a backup, the session manager's save request) never
// leave a stored login that a restore or the next start would take up without the password.
bool SaveAllSettingsLoggedOut(GeneralSettings& settings, const AlertLogStore& log,
                              const MailSafeList& mail, const WebSiteBlockingList& web);

// The save made while the program runs, shortly after its decisions (so that a crash or a power
// loss loses none of them): SaveAllSettingsLoggedOut, in the same one transaction, with the
// values the running program wrote at its start and needs to stay ("App Path", which the engine
// of every other program reads) written back unchanged. True when committed.
bool SaveRunningSettings(GeneralSettings& settings, const AlertLogStore& log,
                         const MailSafeList& mail, const WebSiteBlockingList& web);

// Deletes the product key with everything below it ("IDC_FS_Reset"). True when it is gone.
bool ResetAllSettings();

} // namespace hookwise::core
