// Lists for the main movie: realistic sample entries for the screenshots, and many generated ones
// for the fill measurement.
#pragma once

namespace hookwise::core {
class GeneralSettings;
class AlertLogStore;
class MailSafeList;
class WebSiteBlockingList;
} // namespace hookwise::core

// A few dozen e-mail sources, websites and log entries such as a user collects, with the counters
// that go with them.
void FillSampleLists(hookwise::core::GeneralSettings& settings, hookwise::core::AlertLogStore& log,
                     hookwise::core::MailSafeList& mail, hookwise::core::WebSiteBlockingList& web);

// rows entries in each of the three lists, every one different.
void FillGeneratedLists(int rows, hookwise::core::AlertLogStore& log,
                        hookwise::core::MailSafeList& mail,
                        hookwise::core::WebSiteBlockingList& web);
