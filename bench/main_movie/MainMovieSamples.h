// Lists for the main movie: realistic sample entries for the screenshots, and many generated ones
// for the fill measurement.
#pragma once

class GeneralSettings;
class AlertLogStore;
class MailSafeList;
class WebSiteBlockingList;

// A few dozen e-mail sources, websites and log entries such as a user collects, with the counters
// that go with them.
void FillSampleLists(GeneralSettings& settings, AlertLogStore& log, MailSafeList& mail,
                     WebSiteBlockingList& web);

// rows entries in each of the three lists, every one different.
void FillGeneratedLists(int rows, AlertLogStore& log, MailSafeList& mail, WebSiteBlockingList& web);
