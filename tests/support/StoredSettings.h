// The settings as the registry holds them now: every store loaded afresh from the product key, as
// the next start would load them.
#pragma once

#include "core/ProductKey.h"
#include "core/lists/MailSafeList.h"
#include "core/lists/WebSiteBlockingList.h"
#include "core/logging/AlertLogStore.h"
#include "core/settings/GeneralSettings.h"

using namespace hookwise::core;

struct StoredSettings {
    GeneralSettings settings;
    AlertLogStore log;
    MailSafeList mail;
    WebSiteBlockingList web;
    StoredSettings() { LoadAllSettings(settings, log, mail, web); }
};
