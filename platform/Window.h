// Finding the tray program's handler window and sending it copy-data messages over a local socket.
//
// A "window" with a caption is the Unix-domain stream socket
// $XDG_RUNTIME_DIR/hookwise/<caption> (without XDG_RUNTIME_DIR, in the private folder the receiver
// makes: MakeRuntimeFolder), in a folder of mode 0700. One message: u32 report code, u32 byte
// count, the bytes (all little-endian, at most 64 KiB); the answer is one little-endian i32,
// preceded by a four-byte acknowledgement when the sender asked for one (docs/channel.md).
#pragma once

#include "platform/WinTypes.h"

#include <string>

constexpr DWORD kMaxCopyDataBytes = 64 * 1024;

// The folder that holds the channel sockets and lock files: $XDG_RUNTIME_DIR/hookwise, created
// with mode 0700 when missing. A folder of ours with group or other access is tightened to 0700.
// "" (last error ERROR_ACCESS_DENIED) when the path is a link, not a folder, or owned by another
// user; "" with the mapped errno when it cannot be created (a missing $XDG_RUNTIME_DIR is not
// created). Without $XDG_RUNTIME_DIR: the private folder MakeRuntimeFolder made, as named in
// $XDG_CONFIG_HOME/hookwise/runtime-folder, when it is still there, ours and mode 0700; else ""
// (ERROR_PATH_NOT_FOUND): senders then find no receiver.
std::string RuntimeFolder();

// As RuntimeFolder, for the receiving program: without $XDG_RUNTIME_DIR it makes the private
// folder when there is none yet (/tmp/hookwise-<uid>-XXXXXX by mkdtemp, mode 0700) and names it
// in $XDG_CONFIG_HOME/hookwise/runtime-folder. A folder that another user made under a
// predictable name can therefore never stand in for it.
std::string MakeRuntimeFolder();

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

// SendMessage(WM_COPYDATA): connects to the handle's socket, sends code and bytes, and waits for
// the receiver's answer, which it returns (SendChannelMessage, platform/ChannelSender.h: the
// hand-over is limited to 2 s, the decision after the receiver took the report is not). Returns 0
// when there is no receiver, the connection is refused, the receiver does not take the report in
// time, or it closes before answering; also for a null handle or more than kMaxCopyDataBytes bytes.
LRESULT SendCopyData(HWND window, DWORD code, const void* data, DWORD size);
