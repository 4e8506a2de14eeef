// Test support for the tray program: a private folder with the registry file, the runtime folder
// and the configuration folder, the program folder of the run, and records as senders fill them.
#pragma once

#include "core/FileNames.h"
#include "core/settings/LanguagePack.h"
#include "engine/DetectionRecord.h"
#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace traytest {

class TrayFolder {
public:
    TrayFolder() {
        char pattern[] = "/tmp/hookwise-tray-XXXXXX";
        if (mkdtemp(pattern) == nullptr)
            std::abort();
        path_ = pattern;
        std::filesystem::create_directories(path_ + "/program");
        std::filesystem::create_directories(path_ + "/run");
        std::filesystem::permissions(path_ + "/run", std::filesystem::perms::owner_all);
        setenv("HOOKWISE_REGISTRY", (path_ + "/registry.db").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (path_ + "/config").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", (path_ + "/run").c_str(), 1);
        setenv("HOOKWISE_CATALOG", (path_ + "/protocols.catalog").c_str(), 1);
        setenv("HOME", (path_ + "/home").c_str(), 1);
        RegistryReopenForTesting();
        SetProgramFolder(path_ + "/program");
        SetCurrentLanguage(kDefaultLanguage);
    }
    ~TrayFolder() {
        RegistryReopenForTesting();
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TrayFolder(const TrayFolder&) = delete;
    TrayFolder& operator=(const TrayFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string Program() const { return path_ + "/program"; }

private:
    std::string path_;
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
        CopyField(record.web.url, target);
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
        CopyField(record.mail.matchedText, key);
    if (kind == kKindLink) {
        CopyField(record.mail.linkTarget, key);
        CopyField(record.mail.linkText, "Click here");
    }
    record.mail.kind = kind;
    return record;
}

} // namespace traytest
