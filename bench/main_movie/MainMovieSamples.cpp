// Sample and generated list entries for the main movie (documentation addresses and names only).
#include "MainMovieSamples.h"

#include "core/lists/ListNames.h"
#include "core/lists/MailSafeList.h"
#include "core/lists/WebSiteBlockingList.h"
#include "core/logging/AlertLogStore.h"
#include "core/settings/GeneralSettings.h"
#include "core/settings/LanguagePack.h"
#include "core/settings/StringTable.h"

#include <string>

using namespace hookwise::core;

namespace {

struct SampleMail {
    const char* type;
    const char* key;
    const char* from;
    const char* subject;
    int action;
};

const SampleMail kMail[] = {
    {"From", "security-alert@paypa1-support.example", "security-alert@paypa1-support.example",
     "Your account has been limited", kActionBlock},
    {"Subject", "Urgent: verify your account within 24 hours", "service@bank-notice.example",
     "Urgent: verify your account within 24 hours", kActionBlock},
    {"Link",
     "Called: 'http://secure-login.northbank.example/verify'\nVisible: 'https://www.northbank.com'",
     "online@northbank-secure.example", "Unusual sign-in activity", kActionAsk},
    {"Message", "confirm your password to avoid suspension", "admin@mailbox-quota.example",
     "Mailbox quota exceeded", kActionBlock},
    {"From", "billing@streamflix-payments.example", "billing@streamflix-payments.example",
     "Payment declined - update your card", kActionAsk},
    {"Subject", "You have received a secure document", "docs@share-files.example",
     "You have received a secure document", kActionAllow},
    {"From", "no-reply@parcel-redelivery.example", "no-reply@parcel-redelivery.example",
     "Your parcel is waiting: pay the customs fee", kActionBlock},
    {"Link", "Called: 'http://203.0.113.45/tax/refund.php'\nVisible: 'Claim your tax refund'",
     "refunds@revenue-office.example", "Tax refund notification", kActionBlock},
    {"Message", "enter your card number and PIN to unlock", "support@card-unlock.example",
     "Card temporarily locked", kActionAsk},
    {"From", "it-helpdesk@corp-mail-upgrade.example", "it-helpdesk@corp-mail-upgrade.example",
     "Mail server upgrade: log in to keep your mailbox", kActionBlock},
};

struct SampleSite {
    const char* type;
    const char* key;
    const char* program;
    const char* address;
    int port;
    int action;
};

const SampleSite kSites[] = {
    {"URL", "login.micros0ft-account.example/oauth2/authorize", "/usr/bin/firefox-esr",
     "198.51.100.23", 80, kActionBlock},
    {"URL", "www.northbank-secure.example/verify/index.html", "/usr/lib/chromium/chromium",
     "198.51.100.71", 80, kActionBlock},
    {"IP", "203.0.113.45", "/usr/bin/curl", "203.0.113.45", 8080, kActionAsk},
    {"URL", "paypa1-support.example/cgi-bin/webscr", "/usr/bin/firefox-esr", "192.0.2.17", 80,
     kActionBlock},
    {"URL", "streamflix-payments.example/update-card", "/usr/lib/chromium/chromium", "198.51.100.9",
     80, kActionAsk},
    {"IP", "192.0.2.201", "/usr/bin/wget", "192.0.2.201", 21, kActionAllow},
    {"URL", "parcel-redelivery.example/fee/pay.php", "/usr/bin/thunderbird", "203.0.113.12", 80,
     kActionBlock},
    {"URL", "revenue-office.example/refund/claim", "/usr/bin/firefox-esr", "203.0.113.45", 80,
     kActionBlock},
    {"IP", "198.51.100.140", "/usr/bin/python3", "198.51.100.140", 80, kActionAsk},
    {"URL", "share-files.example/document/view?id=88213", "/usr/lib/chromium/chromium",
     "192.0.2.66", 80, kActionAllow},
    {"URL", "mailbox-quota.example/owa/login.aspx", "/usr/bin/evolution", "198.51.100.200", 80,
     kActionBlock},
};

const char* const kTimes[] = {
    "Monday, December 07, 2009 09:12:44",  "Monday, December 07, 2009 10:03:18",
    "Monday, December 07, 2009 11:47:02",  "Tuesday, December 08, 2009 08:30:55",
    "Tuesday, December 08, 2009 13:15:09", "Wednesday, December 09, 2009 16:42:31",
};

std::string TimeOf(int i) {
    return kTimes[static_cast<unsigned>(i) % (sizeof kTimes / sizeof kTimes[0])];
}

} // namespace

void FillSampleLists(GeneralSettings& settings, AlertLogStore& log, MailSafeList& mail,
                     WebSiteBlockingList& web) {
    int i = 0;
    for (const SampleMail& sample : kMail) {
        MailSafeItem item;
        item.Action = sample.action;
        item.Type = sample.type;
        item.StrictedData = sample.key;
        item.Program = "/usr/lib/chromium/chromium";
        item.DataTime = TimeOf(i++);
        item.From = sample.from;
        item.To = "alex.morgan@home.example";
        item.Subject = sample.subject;
        item.AttachmentFile = i % 3 == 0 ? "invoice.zip" : "";
        item.Port = 80;
        mail.Append(item);
    }
    for (const SampleSite& sample : kSites) {
        WebSiteBlockingItem item;
        item.Action = sample.action;
        item.Type = sample.type;
        item.StrictedData = sample.key;
        item.ScamSite = sample.key;
        item.Program = sample.program;
        item.DataTime = TimeOf(i++);
        item.IPAddress = sample.address;
        item.Port = sample.port;
        web.Append(item);
    }

    // The log: one entry per detection kind and answer, some seen many times.
    const int counts[] = {1, 3, 14, 1, 2, 1, 27, 1, 5, 1, 12, 1, 1, 2, 1, 1, 4, 1, 16, 2, 23};
    int n = 0;
    for (const SampleMail& sample : kMail) {
        AlertLogEntry entry;
        entry.Type = sample.type;
        entry.Protocol = "HTTP";
        entry.Program = "/usr/lib/chromium/chromium";
        entry.ActionTaken = ActionName(sample.action == kActionAllow ? kActionAllow : kActionBlock);
        entry.StrictedData = sample.key;
        entry.Count = counts[n++ % (sizeof counts / sizeof counts[0])];
        entry.DateTime = TimeOf(n);
        entry.Rating = LoadText(entry.Count > kHighRatingAbove ? kStrRatingHigh : kStrRatingMedium);
        log.AddEntry(entry);
    }

    for (const SampleSite& sample : kSites) {
        AlertLogEntry entry;
        entry.Type = sample.type;
        entry.Protocol = ProtocolName(sample.port);
        entry.Program = sample.program;
        entry.HostIP = sample.address;
        entry.ActionTaken = ActionName(sample.action == kActionAllow ? kActionAllow : kActionBlock);
        entry.StrictedData = sample.key;
        entry.Count = counts[n++];
        entry.DateTime = TimeOf(n);
        entry.Rating = LoadText(entry.Count > kHighRatingAbove ? kStrRatingHigh : kStrRatingMedium);
        log.AddEntry(entry);
    }
    settings.NoOfBlockedInstructions = 96;
    settings.NoOfEmailProtection = 41;
    settings.NoOfWebProtection = 67;
}

void FillGeneratedLists(int rows, AlertLogStore& log, MailSafeList& mail,
                        WebSiteBlockingList& web) {
    for (int i = 0; i < rows; ++i) {
        const std::string n = std::to_string(i);
        MailSafeItem item;
        item.Action = i % 3;
        item.Type = "From";
        item.StrictedData = "sender" + n + "@phish-" + std::to_string(i % 97) + ".example";
        item.Program = "/usr/lib/chromium/chromium";
        item.DataTime = TimeOf(i);
        item.From = item.StrictedData;
        item.To = "alex.morgan@home.example";
        item.Subject = "Account notice " + n;
        item.Port = 80;
        mail.Append(item);

        WebSiteBlockingItem site;
        site.Action = (i + 1) % 3;
        site.Type = "URL";
        site.StrictedData = "login-" + n + ".phish.example/account/verify";
        site.ScamSite = site.StrictedData;
        site.Program = "/usr/bin/firefox-esr";
        site.DataTime = TimeOf(i);
        site.IPAddress = "198.51.100." + std::to_string(i % 250);
        site.Port = 80;
        web.Append(site);

        AlertLogEntry entry;
        entry.Type = "URL";
        entry.Protocol = "HTTP";
        entry.Program = "/usr/bin/firefox-esr";
        entry.HostIP = site.IPAddress;
        entry.ActionTaken = ActionName(i % 2 ? kActionAllow : kActionBlock);
        entry.StrictedData = site.StrictedData;
        entry.Count = 1 + i % 15;
        entry.DateTime = TimeOf(i);
        entry.Rating = LoadText(entry.Count > kHighRatingAbove ? kStrRatingHigh : kStrRatingMedium);
        log.AddEntry(entry);
    }
}
