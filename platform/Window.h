// Finding the tray program's handler window and sending it copy-data messages over a local socket.
//
// A "window" with a caption is the Unix-domain stream socket
// $XDG_RUNTIME_DIR/hookwise/<caption> (or /tmp/hookwise-<uid>/<caption> when XDG_RUNTIME_DIR is not
// set), in a folder of mode 0700. One message: u32 report code, u32 byte count, the bytes (all
// little-endian, at most 64 KiB); the answer is one little-endian i32.
#pragma once

#include "platform/WinTypes.h"

#include <string>

constexpr DWORD kMaxCopyDataBytes = 64 * 1024;

// The folder that holds the channel sockets and lock files, created with mode 0700 when missing.
// A folder of ours with group or other access is tightened to 0700. "" (last error
// ERROR_ACCESS_DENIED) when the path is a link, not a folder, or owned by another user; "" with
// the mapped errno when it cannot be created (a missing $XDG_RUNTIME_DIR is not created).
std::string RuntimeFolder();

// The socket path for a caption; "" when there is no runtime folder, or the caption is empty,
// "." or "..", or holds a '/' (ERROR_INVALID_PARAMETER).
std::string ChannelPath(const char* caption);

// Returns a handle that names the caption's socket when a receiver listens there, else null
// (the class name is ignored). It connects without blocking and closes at once, so the receiver
// sees a connection that ends without a message. The handle stays valid for the life of the
// process; the same caption always gives the same handle.
HWND FindWindowA(const char* className, const char* caption);

// The caption a handle from FindWindowA names ("" for null or unknown handles).
std::string WindowCaption(HWND window);

// SendMessage(WM_COPYDATA): connects to the handle's socket, sends code and bytes, and waits
// without a time-out for the receiver's answer, which it returns. Returns 0 at once when there is
// no receiver, the connection is refused, or the receiver closes before answering; also for a null
// handle or more than kMaxCopyDataBytes bytes.
LRESULT SendCopyData(HWND window, DWORD code, const void* data, DWORD size);
