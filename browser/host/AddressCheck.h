// AddressCheck: the check of a page a tab opens. A web address (http or https) is looked up among
// the listed web addresses and, when listed, reported to the tray program as a request for a
// listed URL; its answer decides whether the tab may show the page.
#pragma once

#include <string>

namespace browserhost {

// True for an http: or https: address (the scheme compared ignoring case).
bool IsWebAddress(const std::string& url);

// The port of a web address as decimal text: the one the address names, else "443" for https and
// "80" for http. "" for an address that is no web address or names a port that is not a number of
// at most five digits.
std::string AddressPort(const std::string& url);

enum class AddressVerdict {
    NotListed, // no web address, no engine settings, or no listed entry matches
    Allowed,   // listed, and the tray program let it through
    Blocked,   // listed, and the tray program blocked it, or no tray program answered
};

// Looks url up and, when it is listed, reports it (code 1126, kind 'U', the address cut at 260
// characters in the URL field, its port, no host address) as sent by program (a full path; this
// process's program file when empty), then waits without a time-out for the decision.
AddressVerdict CheckAddress(const std::string& url, const std::string& program);

} // namespace browserhost
