// Test support for the tray program: a private folder with the registry file, the runtime folder
// and the configuration folder, the program folder of the run, and records as senders fill them.
#pragma once

#include "core/FileNames.h"
#include "core/settings/LanguagePack.h"
#include "engine/DetectionRecord.h"
#include "platform/Registry.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

using namespace hookwise::core;

namespace traytest {

class TrayFolder {
public:
    TrayFolder() {
        std::filesystem::create_directories(Program());
        sandbox_.SetEnv("XDG_CONFIG_HOME", Path() + "/config");
        sandbox_.SetEnv("HOOKWISE_CATALOG", Path() + "/protocols.catalog");
        SetProgramFolder(Program());
        SetCurrentLanguage(kDefaultLanguage);
    }
    TrayFolder(const TrayFolder&) = delete;
    TrayFolder& operator=(const TrayFolder&) = delete;

    const std::string& Path() const { return sandbox_.Path(); }
    std::string Program() const { return Path() + "/program"; }

private:
    testsupport::Sandbox sandbox_{"tray"};
};

// A host (kind 'I') or URL (kind 'U') report from program on port.
inline DetectionRecord WebRecord(char kind, const char* target, const char* program = "curl",
                                 const char* port = "80", const char* host = "192.0.2.11") {
    DetectionRecord record;
    ClearRecord(record);
    std::string path = std::string("/usr/bin/") + program;
    FillSender(record, path.c_str());
    FillEndpoint(record, host, port);
    if (kind == kKindUrl)
        hookwise::platform::CopyField(record.web.url, target);
    record.web.kind = kind;
    return record;
}

// A mail report of the given kind; key is the sender, subject, matched text or link target.
inline DetectionRecord MailRecord(char kind, const char* key, const char* program = "chromium") {
    DetectionRecord record;
    ClearRecord(record);
    std::string path = std::string("/usr/lib/chromium/") + program;
    FillSender(record, path.c_str());
    FillEndpoint(record, "", "80");
    FillMailHeaders(record, kind == kKindFrom ? key : "billing@bank.example", "me@home.example",
                    kind == kKindSubject ? key : "Your account", "Mon, 7 Dec 2009 14:05:09",
                    "invoice.zip");
    if (kind == kKindText)
        hookwise::platform::CopyField(record.mail.matchedText, key);
    if (kind == kKindLink) {
        hookwise::platform::CopyField(record.mail.linkTarget, key);
        hookwise::platform::CopyField(record.mail.linkText, "Click here");
    }
    record.mail.kind = kind;
    return record;
}

} // namespace traytest
