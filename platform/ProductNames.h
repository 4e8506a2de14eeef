// The names the program's parts share: the handler channel's caption, the product's registry key
// and the tray icon's identifiers.
#pragma once

#include "platform/WinTypes.h"

// The caption of the tray program's handler window: the channel every report goes to.
constexpr const char* kHandlerCaption = "Baitguard Server Handler";

// The product's key below HKEY_CURRENT_USER, its company's key, and the full name hkreg takes.
constexpr const char* kCompanyKeyPath = "Software\\Corvane";
constexpr const char* kProductKeyPath = "Software\\Corvane\\Hookwise";
constexpr const char* kProductKeyFullName = "HKEY_CURRENT_USER\\Software\\Corvane\\Hookwise";

// The tray icon's identifier and the message its events arrive with (WM_APP + 1).
constexpr UINT kTrayIconId = 1031;
constexpr UINT kTrayCallbackMessage = 0x8001;
