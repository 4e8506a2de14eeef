// The page a blocked plain-HTTP request is answered with: made from the current language's texts
// and written where the interception provider reads it ("App Path" + "/hkwblocked.htm").
#pragma once

#include <string>

namespace hookwise::core {

// The page as HTML (UTF-8): title and text (strings 7032 and 7033) in the current language,
// escaped, line breaks as <br>. When the language pack's texts make it larger than
// kBlockedRequestPageMaxBytes, the page of the built-in English texts.
std::string BlockedRequestPage();

// Writes BlockedRequestPage() into folder/kBlockedRequestPageFile (mode 0644), replacing the file
// whole so the provider never reads half a page. False when it cannot be written; the provider
// then answers with its own English page.
bool WriteBlockedRequestPage(const std::string& folder);

} // namespace hookwise::core
