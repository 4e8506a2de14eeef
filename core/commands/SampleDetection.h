// The sample detection of the main window's test command: a blocked web address, shown in a
// modeless alert and recorded in the alert log and the site list as a real detection would be,
// so the movie's rows keep the lists' indexes.
#pragma once

#include "core/DetectionHandlers.h"

#include <string>

namespace hookwise::core {

class AlertLogStore;
class WebSiteBlockingList;

// The alert the test shows, dated now.
AlertRequest SampleAlert(const std::string& now);

// Records the sample: a log entry (a second test counts the first one up) and a new site item
// dated now; view hears of both as it hears of a detection's.
void RecordSampleDetection(AlertLogStore& log, WebSiteBlockingList& web, DetectionView& view,
                           const std::string& now);

} // namespace hookwise::core
