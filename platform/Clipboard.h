// The clipboard operations of the page capture fallback (OpenClipboard, GetClipboardData(CF_TEXT),
// EmptyClipboard, CloseClipboard), behind an interface.
//
// Differences from Windows: a process without a display has no desktop clipboard, so the default
// clipboard is the process's own, held in memory. The browser host and the tests may put another
// implementation in its place with SetClipboard.
#pragma once

#include "platform/WinTypes.h"

#include <string>

constexpr UINT CF_TEXT = 1;

class IClipboard {
public:
    virtual ~IClipboard() = default;
    // Opens the clipboard for the calling thread; FALSE while another thread has it open.
    virtual BOOL OpenClipboard(HWND owner) = 0;
    // GetClipboardData(CF_TEXT) with GlobalLock, copy and GlobalUnlock: FALSE when the clipboard is
    // not open by this thread, holds no text or its data cannot be locked; *text is then left
    // alone. The text ends at its first NUL or at the end of the data, whichever comes first.
    virtual BOOL GetClipboardText(std::string* text) = 0;
    // EmptyClipboard followed by SetClipboardData(CF_TEXT); FALSE when not open by this thread.
    virtual BOOL SetClipboardText(const char* text) = 0;
    // Removes every format; FALSE when not open by this thread.
    virtual BOOL EmptyClipboard() = 0;
    // FALSE when not open by this thread.
    virtual BOOL CloseClipboard() = 0;
};

// The clipboard in use: the one given to SetClipboard, else the process's own.
IClipboard* GetClipboard();
// Puts clipboard in use (null returns to the process's own) and returns the one used before
// (null when that was the process's own). The caller keeps ownership.
IClipboard* SetClipboard(IClipboard* clipboard);
