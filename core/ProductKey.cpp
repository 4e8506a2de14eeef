// Loading every store from the product key at start, and the save that rewrites the key whole.
#include "core/ProductKey.h"

#include "core/FileNames.h"
#include "core/RegistryValues.h"
#include "core/TextUtil.h"
#include "core/lists/MailSafeList.h"
#include "core/lists/WebSiteBlockingList.h"
#include "core/logging/AlertLogStore.h"
#include "core/settings/GeneralSettings.h"
#include "core/settings/LanguagePack.h"
#include "platform/Registry.h"

#include <string>
#include <utility>
#include <vector>

namespace hookwise::core {

void LoadAllSettings(GeneralSettings& settings, AlertLogStore& log, MailSafeList& mail,
                     WebSiteBlockingList& web) {
    // One transaction for all the reads: a consistent view of the key, and one lock of the file
    // instead of one per value (several times faster for a long alert log).
    RegistryTransaction reads;
    RegKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, platform::kProductKeyPath, 0, KEY_ALL_ACCESS, key.Put()) !=
        ERROR_SUCCESS)
        return;
    std::string language;
    if (ReadRegText(key.Get(), "LANGUAGE", language)) {
        std::string name = DecodeFileName(language);
        if (!name.empty())
            SetCurrentLanguage(name);
    }
    settings.Load(key.Get());
    log.Load(key.Get());
    mail.Load(key.Get());
    web.Load(key.Get());
}

namespace {

// Values of the product key that a save made while the program runs keeps as they are.
constexpr const char* kRunningValues[] = {"App Path"};

bool SaveProductKey(const GeneralSettings& settings, const AlertLogStore& log,
                    const MailSafeList& mail, const WebSiteBlockingList& web, bool running) {
    // Everything from the delete to the last value is one transaction: a failure, or the end of
    // the process in the middle, leaves the previous product key as it was.
    RegistryTransaction transaction;

    std::vector<std::pair<std::string, std::string>> kept;
    if (running) {
        RegKey old;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, platform::kProductKeyPath, 0, KEY_READ, old.Put()) ==
            ERROR_SUCCESS) {
            for (const char* name : kRunningValues) {
                std::string value;
                if (ReadRegText(old.Get(), name, value))
                    kept.emplace_back(name, value);
            }
        }
    }

    // The company key is created when missing, so that a save never silently stores nothing.
    RegKey company;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, platform::kCompanyKeyPath, 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, company.Put(),
                        nullptr) != ERROR_SUCCESS)
        return false;
    LONG deleted = SHDeleteKeyA(company.Get(), kProductKeyName);
    if (deleted != ERROR_SUCCESS && deleted != ERROR_FILE_NOT_FOUND)
        return false;
    RegKey product;
    if (RegCreateKeyExA(company.Get(), kProductKeyName, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, product.Put(), nullptr) != ERROR_SUCCESS)
        return false;

    std::string language = platform::AsciiUppered(CurrentLanguage());
    SetCurrentLanguage(language);
    bool ok = WriteRegText(product.Get(), "LANGUAGE", EncodeFileName(language));
    ok = ok && WriteRegText(product.Get(), "DefnsVersion", settings.DefinitionsVersion);
    ok = ok && settings.Save(product.Get());
    ok = ok && log.Save(product.Get());
    ok = ok && mail.Save(product.Get());
    ok = ok && web.Save(product.Get());
    for (const auto& [name, value] : kept)
        ok = ok && WriteRegText(product.Get(), name.c_str(), value);
    if (!ok)
        return false;
    product = RegKey();
    company = RegKey();
    return transaction.Commit() == ERROR_SUCCESS;
}

} // namespace

bool SaveAllSettings(const GeneralSettings& settings, const AlertLogStore& log,
                     const MailSafeList& mail, const WebSiteBlockingList& web) {
    return SaveProductKey(settings, log, mail, web, false);
}

bool SaveRunningSettings(GeneralSettings& settings, const AlertLogStore& log,
                         const MailSafeList& mail, const WebSiteBlockingList& web) {
    const BOOL login = settings.IsLogin;
    settings.IsLogin = 0;
    const bool saved = SaveProductKey(settings, log, mail, web, true);
    settings.IsLogin = login;
    return saved;
}

bool SaveAllSettingsLoggedOut(GeneralSettings& settings, const AlertLogStore& log,
                              const MailSafeList& mail, const WebSiteBlockingList& web) {
    const BOOL login = settings.IsLogin;
    settings.IsLogin = 0;
    const bool saved = SaveAllSettings(settings, log, mail, web);
    settings.IsLogin = login;
    return saved;
}

bool ResetAllSettings() {
    RegKey company;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, platform::kCompanyKeyPath, 0, KEY_ALL_ACCESS,
                      company.Put()) != ERROR_SUCCESS)
        return true; // nothing stored
    LONG result = SHDeleteKeyA(company.Get(), kProductKeyName);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

} // namespace hookwise::core
