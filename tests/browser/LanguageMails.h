// Test support: the Roundcube set-up of the browser end-to-end tests (webmail.py, started as a
// server script) and the mails and definitions of the test in several interface languages: mail
// to hidden recipients, mails whose sender, subject, text or link is listed (several entries in
// capitals of other scripts), and two innocent ones.
#pragma once

#include "browser/host/Json.h"
#include "engine/LSPGlobals.h"
#include "tests/inspector/InspectorSandbox.h"
#include "HostProcess.h"
#include "MailPages.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace browsertest {

// A test server script (python3) that writes what the test needs to know into a file once it
// serves, and stops when its standard input closes.
class ServerScript {
public:
    bool Start(const std::string& script, const std::vector<std::string>& args,
               const std::string& infoFile) {
        infoFile_ = infoFile;
        std::vector<std::string> all = {"python3", std::string(HOOKWISE_SOURCE_DIR) +
                                                       "/tests/browser/" + script};
        all.insert(all.end(), args.begin(), args.end());
        all.push_back(infoFile);
        return process_.Start("/usr/bin/env", all);
    }
    // The info file's text, or "" when it did not appear within the time.
    std::string Info(int timeoutMs = 60000) {
        for (int waited = 0; waited < timeoutMs; waited += 100) {
            if (Exists(infoFile_))
                return ReadFile(infoFile_);
            usleep(100 * 1000);
        }
        return "";
    }
    ~ServerScript() { process_.Finish(30000); }

private:
    HostProcess process_;
    std::string infoFile_;
};

// One definition entry per finding, several in capitals of other scripts; the mails: to hidden
// recipients (no To row) with a listed sender, and mails whose sender, subject (encoded-word),
// text (quoted-printable) or link is listed, and two innocent ones: a link to a well-known site,
// and a mail in ISO-8859-1.
const std::vector<inspectortest::DefinitionSection> kLanguageDefinitions = {
    inspectortest::DefinitionSection{
        "From",
        {{"FROM1", "SECURITE@BANQUE.EXAMPLE"}, {"FROM2", "billing@amaz0n-support.example"}}},
    inspectortest::DefinitionSection{
        "Subject", {{"SUB1", "VERIFICA\xC3\x87\xC3\x83O DE SEGURAN\xC3\x87\x41"}}},
    inspectortest::DefinitionSection{"Text",
                                     {{"TXT1", "\xC3\x9C\x42\x45RPR\xC3\x9C\x46UNG IHRES KONTOS"}}},
    inspectortest::DefinitionSection{"Link", {{"CLINK1", "HTTP://KONTO-PRUEFUNG.EXAMPLE/LOGIN"}}},
};

struct LanguageMail {
    const char* file;
    const char* subject; // as the message list shows it
    const char* text;
};

const LanguageMail kLanguageMails[] = {
    {"1-hidden.eml", "Avis important",
     "From: Banque <securite@banque.example>\r\nTo: Undisclosed recipients:;\r\n"
     "Subject: Avis important\r\nDate: Mon, 01 Jan 2024 08:00:00 +0000\r\n"
     "Message-ID: <hidden-1@banque.example>\r\n"
     "Content-Type: text/plain; charset=utf-8\r\n\r\nVeuillez lire ce message.\r\n"},
    {"2-sender.eml", "Your order is on hold",
     "From: Billing Support <billing@amaz0n-support.example>\r\nTo: alice@home.example\r\n"
     "Subject: Your order is on hold\r\nDate: Tue, 02 Jan 2024 10:15:00 +0000\r\n"
     "Message-ID: <hold-2@amaz0n-support.example>\r\n"
     "Content-Type: text/plain; charset=utf-8\r\n\r\nDear customer, your order could not be "
     "shipped.\r\n"},
    {"3-subject.eml", "Verifica\xC3\xA7\xC3\xA3o de seguran\xC3\xA7\x61 da sua conta",
     "From: Banco <avisos@banco.example>\r\nTo: alice@home.example\r\n"
     "Subject: =?UTF-8?B?VmVyaWZpY2HDp8OjbyBkZSBzZWd1cmFuw6dhIGRhIHN1YSBjb250YQ==?=\r\n"
     "Date: Mon, 01 Jan 2024 09:00:00 +0000\r\nMessage-ID: <subject-1@banco.example>\r\n"
     "Content-Type: text/plain; charset=utf-8\r\n\r\nPrezado cliente.\r\n"},
    {"4-text.eml", "Ihr Konto",
     "From: Kundendienst <service@bank.example>\r\nTo: alice@home.example\r\n"
     "Subject: Ihr Konto\r\nDate: Mon, 01 Jan 2024 10:00:00 +0000\r\n"
     "Message-ID: <text-1@bank.example>\r\nMIME-Version: 1.0\r\n"
     "Content-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: quoted-printable\r\n"
     "\r\nBitte best=C3=A4tigen Sie die =C3=9Cberpr=C3=BCfung Ihres Kontos.\r\n"},
    {"5-link.eml", "Please sign in",
     "From: Support <help@service.example>\r\nTo: alice@home.example\r\n"
     "Subject: Please sign in\r\nDate: Mon, 01 Jan 2024 11:00:00 +0000\r\n"
     "Message-ID: <link-1@service.example>\r\nMIME-Version: 1.0\r\n"
     "Content-Type: text/html; charset=utf-8\r\n\r\n"
     "<html><body><p>Sign in <a href=\"http://konto-pruefung.example/login\">here</a>.</p>"
     "</body></html>\r\n"},
};
const char kWellKnownLinkMail[] =
    "From: Carol <carol@friends.example>\r\nTo: alice@home.example\r\n"
    "Subject: Lunch on Friday\r\nDate: Mon, 01 Jan 2024 12:00:00 +0000\r\n"
    "Message-ID: <lunch-2@friends.example>\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n"
    "See you there: https://www.wikipedia.org/\r\n";
const char kLatin1Mail[] =
    "From: =?ISO-8859-1?Q?Jos=E9?= <jose@amigos.example>\r\nTo: alice@home.example\r\n"
    "Subject: =?ISO-8859-1?Q?Caf=E9_=E0_midi?=\r\nDate: Mon, 01 Jan 2024 13:00:00 +0000\r\n"
    "Message-ID: <cafe-1@amigos.example>\r\nMIME-Version: 1.0\r\n"
    "Content-Type: text/plain; charset=iso-8859-1\r\nContent-Transfer-Encoding: 8bit\r\n\r\n"
    "On se voit au caf\xE9, \xC9t\xE9 oblige.\r\n";

// The subjects of the innocent mails as the message list shows them, and what each shows.
const char kWellKnownLinkSubject[] = "Lunch on Friday";
const char kWellKnownLinkText[] = "wikipedia.org";
const char kLatin1Subject[] = "Caf\xC3\xA9 \xC3\xA0 midi";
const char kLatin1Text[] = "\xC3\x89t\xC3\xA9 oblige";
// The reports of the listed mails, opened in the order of kLanguageMails.
const char kLanguageReportKinds[] = "FFSTL";

// Writes every mail of the test into folder as .eml files. False when an entry of
// kLanguageDefinitions would not read back from the scrambled database.
inline bool WriteLanguageMails(const std::string& folder) {
    for (const inspectortest::DefinitionSection& section : kLanguageDefinitions) {
        for (const auto& [key, value] : section.entries) {
            if (CLSPGlobals::DecryptString(CLSPGlobals::EncryptString(value)) != value)
                return false;
        }
    }
    for (const LanguageMail& mail : kLanguageMails)
        WriteFile(folder + "/" + mail.file, mail.text);
    WriteFile(folder + "/6-well-known.eml", kWellKnownLinkMail);
    WriteFile(folder + "/7-latin1.eml", kLatin1Mail);
    return true;
}

// Writes the test's definitions and its mails (into work/mails), then starts Roundcube in
// language on them. The server's info (url, user and password, or skip, or error); none when it
// did not start. False in ok when an entry would not read back from the scrambled database.
inline std::optional<browserhost::JsonValue> StartLanguageWebmail(ServerScript& webmail,
                                                                  const std::string& work,
                                                                  const std::string& language,
                                                                  bool& ok) {
    inspectortest::Sandbox::Get().WriteDefinitions(kLanguageDefinitions);
    const std::string mails = work + "/mails";
    mkdir(mails.c_str(), 0700);
    ok = WriteLanguageMails(mails);
    if (!ok || !webmail.Start("webmail.py", {mails, language}, work + "/webmail.json"))
        return std::nullopt;
    return browserhost::ParseJson(webmail.Info());
}

// A snapshot's member ("url" or "text") in a driver's result; "" when it is missing.
inline std::string SnapshotOf(const browserhost::JsonValue& result, const std::string& name,
                              const std::string& member) {
    const browserhost::JsonValue* snapshots = result.Find("snapshots");
    const browserhost::JsonValue* snapshot = snapshots ? snapshots->Find(name) : nullptr;
    return snapshot ? snapshot->GetString(member).value_or("") : "";
}

// The checks of the test in either browser, on the driver's result (a snapshot named after each
// innocent mail's subject, one after each listed mail's file) and the reports the tray program's
// channel received; isWarningPage tells the browser's warning page address.
inline void ExpectLanguageResult(const browserhost::JsonValue& result,
                                 inspectortest::ReportReceiver& receiver,
                                 const std::function<bool(const std::string&)>& isWarningPage) {
    EXPECT_EQ(receiver.Kinds(), kLanguageReportKinds)
        << "one report per listed mail, in the order opened";
    for (const LanguageMail& mail : kLanguageMails)
        EXPECT_TRUE(isWarningPage(SnapshotOf(result, mail.file, "url")))
            << mail.file << " was not replaced by the warning page but shows "
            << SnapshotOf(result, mail.file, "url");
    EXPECT_NE(SnapshotOf(result, kWellKnownLinkSubject, "text").find(kWellKnownLinkText),
              std::string::npos)
        << "the mail with a link to a well-known site was not left to show";
    EXPECT_NE(SnapshotOf(result, kLatin1Subject, "text").find(kLatin1Text), std::string::npos)
        << "the mail in ISO-8859-1 was not left to show";
    std::vector<inspectortest::MailReport> reports = receiver.Reports();
    ASSERT_EQ(reports.size(), 5u);
    EXPECT_EQ(hookwise::platform::FieldString(reports[0].record.mail.to), "")
        << "hidden recipients show no To row";
    EXPECT_NE(hookwise::platform::FieldString(reports[0].record.mail.from)
                  .find("securite@banque.example"),
              std::string::npos);
    EXPECT_EQ(hookwise::platform::FieldString(reports[1].record.mail.to), "alice@home.example");
    EXPECT_EQ(hookwise::platform::FieldString(reports[3].record.mail.matchedText),
              "\xC3\xBC\x62\x65rpr\xC3\xBC\x66ung ihres kontos");
    EXPECT_EQ(hookwise::platform::FieldString(reports[4].record.mail.linkTarget),
              "http://konto-pruefung.example/login");
}

} // namespace browsertest
