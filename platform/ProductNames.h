// The names the program's parts share: the handler channel's caption, the blocked-request page,
// the product's registry key and the tray icon's identifiers.
#pragma once

#include "platform/WinTypes.h"

namespace hookwise::platform {

// The caption of the tray program's handler window: the channel every report goes to.
constexpr const char* kHandlerCaption = "Baitguard Server Handler";

// The page a blocked plain-HTTP request is answered with, in the user's language: written by the
// tray program into the folder "App Path" names, read by the interception provider.
constexpr const char* kBlockedRequestPageFile = "hkwblocked.htm";
// The most of that page the provider reads; a larger file is not used.
constexpr unsigned kBlockedRequestPageMaxBytes = 8192;

// The product's key below HKEY_CURRENT_USER, its company's key, and the full name hkreg takes.
constexpr const char* kCompanyKeyPath = "Software\\Corvane";
constexpr const char* kProductKeyPath = "Software\\Corvane\\Hookwise";
constexpr const char* kProductKeyFullName = "HKEY_CURRENT_USER\\Software\\Corvane\\Hookwise";

// The tray icon's identifier and the message its events arrive with (WM_APP + 1).
constexpr UINT kTrayIconId = 1031;
constexpr UINT kTrayCallbackMessage = 0x8001;

} // namespace hookwise::platform
