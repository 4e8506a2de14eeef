// The sending end of the detection channel, addressed by socket path: SendCopyData
// (platform/Window.h) resolves a window handle to its socket path and calls SendChannelMessage.
#pragma once

#include "platform/WinTypes.h"

#include <cstdint>

// Encodes the frame header: u32 code, u32 byte count, both little-endian.
void EncodeChannelHeader(std::uint8_t header[8], DWORD code, DWORD size);

// Connects to the receiver listening at path, sends one message and waits without a time-out for
// its i32 answer, which it returns. Returns 0 at once when path names no socket, nobody listens
// there, the connection is refused, or the receiver closes before answering; also for a null or
// over-long path, size above kMaxCopyDataBytes or data null with size non-zero.
//
// Never raises SIGPIPE, retries calls interrupted by signals and closes its descriptor on every
// path. It talks to the kernel with raw system calls, so socket functions interposed in the process
// (the interception provider's) never see its traffic. errno is left as it was on entry.
LRESULT SendChannelMessage(const char* path, DWORD code, const void* data, DWORD size);
