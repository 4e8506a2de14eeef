// The settings as the registry holds them now: every store loaded afresh from the product key, as
// the next start would load them.
#pragma once

#include "app/lists/MailSafeList.h"
#include "app/lists/WebSiteBlockingList.h"
#include "app/logging/AlertLogStore.h"
#include "app/settings/GeneralSettings.h"
#include "app/settings/ProductKey.h"

struct StoredSettings {
    GeneralSettings settings;
    AlertLogStore log;
    MailSafeList mail;
    WebSiteBlockingList web;
    StoredSettings() { LoadAllSettings(settings, log, mail, web); }
};
