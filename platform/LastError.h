// The calling thread's last error code (GetLastError / SetLastError) and errno mapping.
#pragma once

#include "platform/WinTypes.h"

#include <string>

DWORD GetLastError();
void SetLastError(DWORD code);

// Maps an errno value to the Win32 code that the same failure gives on Windows
// (ENOENT -> ERROR_FILE_NOT_FOUND, EACCES -> ERROR_ACCESS_DENIED, ENOSPC -> ERROR_DISK_FULL ...).
// Values without a closer match give 31 (ERROR_GEN_FAILURE).
DWORD Win32ErrorFromErrno(int err);

// The system's text for a Win32 error code, as FormatMessage(FORMAT_MESSAGE_FROM_SYSTEM) gives it,
// ending in CR LF. Unknown codes give "Unknown error <code>.\r\n".
std::string FormatSystemMessage(DWORD code);

// FormatSystemMessage without its closing line break: the text to put inside a sentence.
std::string SystemMessageText(DWORD code);
