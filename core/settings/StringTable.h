// The tray program's built-in string table: every numbered text in English, the fallback of the
// language packs.
#pragma once

#include <cstdint>
#include <vector>

namespace hookwise::core {

// String ids the program uses.
constexpr std::uint32_t kStrAboutMenu = 101;           // "&About Baitguard..."
constexpr std::uint32_t kStrAppTitle = 7001;           // "Hookwise"
constexpr std::uint32_t kStrPreviousInstance = 7002;   // second start refused
constexpr std::uint32_t kStrWrongLoginPassword = 7003; // login refused
constexpr std::uint32_t kStrLoginError = 7004;         // caption of 7003 and 7011
constexpr std::uint32_t kStrWrongOldPassword = 7005;   // change refused
constexpr std::uint32_t kStrPasswordWarning = 7006;    // caption of 7005 and 7007
constexpr std::uint32_t kStrBlankPasswordAsk = 7007;   // empty new password question
constexpr std::uint32_t kStrPasswordMismatch = 7008;   // verification differs
constexpr std::uint32_t kStrPasswordError = 7009;      // caption of 7008 and 7010
constexpr std::uint32_t kStrPasswordRule = 7010;       // length or blank rule broken
constexpr std::uint32_t kStrLogoutAsk = 7011;          // log-out question
constexpr std::uint32_t kStrRatingHigh = 7014;         // "High"
constexpr std::uint32_t kStrRatingMedium = 7015;       // "Medium"
constexpr std::uint32_t kStrActionAllow = 7016;        // "Allow"
constexpr std::uint32_t kStrActionBlock = 7017;        // "Block"
constexpr std::uint32_t kStrActionAsk = 7018;          // "Ask"
constexpr std::uint32_t kStrAlertHost = 7019;          // host alert tooltip, one %s
constexpr std::uint32_t kStrAlertUrl = 7020;           // URL alert tooltip, one %s
constexpr std::uint32_t kStrAlertMail = 7021;          // mail alert tooltip
constexpr std::uint32_t kStrResetAsk = 7022;           // reset question
constexpr std::uint32_t kStrRestoreAsk = 7023;         // restore question
constexpr std::uint32_t kStrProviderName = 7024;       // "HookSwp_lsp", never translated
constexpr std::uint32_t kStrRestoreFailed = 7030;      // restore refused, one %s (the reason)
constexpr std::uint32_t kStrHelpMissing = 7031;        // help page cannot be opened, one %s
constexpr std::uint32_t kStrBlockedPageTitle = 7032;   // title of a blocked request's page
constexpr std::uint32_t kStrBlockedPageText = 7033;    // what a blocked request's page says
constexpr std::uint32_t kStrUpdateRunning = 7034;      // update under way, one %s (its progress)
constexpr std::uint32_t kStrUpdateDone = 7035;         // update succeeded, one %s (its summary)
constexpr std::uint32_t kStrUpdateFailed = 7036;       // update failed, one %s (the reason)
constexpr std::uint32_t kStrUpdateMissing = 7037;      // no update program, one %s (its path)
constexpr std::uint32_t kStrChannelFailed = 7040;      // reports cannot be received, one %s (why)
constexpr std::uint32_t kStrDefinitionsDamaged = 7041; // definitions damaged, one %s (the file)
constexpr std::uint32_t kStrDataFolderRefused = 7042;  // data folder a link or not ours, one %s

// The built-in English text of string id (line breaks as real line feeds), or null when the
// table has no entry id.
const char* BuiltInText(std::uint32_t id);

// Every id of the table, ascending.
std::vector<std::uint32_t> BuiltInTextIds();

// False for the ids whose text is a name rather than wording (7024, the provider name, which the
// program reads with BuiltInText and packs must not change).
bool IsTranslatableText(std::uint32_t id);

} // namespace hookwise::core
