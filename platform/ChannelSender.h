// The sending end of the detection channel, addressed by socket path: SendCopyData
// (platform/Window.h) resolves a window handle to its socket path and calls SendChannelMessage.
#pragma once

#include "platform/WinTypes.h"

#include <cstdint>

namespace hookwise::platform {

// Encodes the frame header: u32 code, u32 byte count, both little-endian.
void EncodeChannelHeader(std::uint8_t header[8], DWORD code, DWORD size);

// The frame's code word with this bit set asks the receiver to acknowledge the report as soon as it
// has taken it (before deciding): it answers the four bytes kChannelAck, then the i32 decision. A
// frame without the bit gets the decision alone, so a sender that never asks sees the old
// exchange. Report codes never use the bit. See docs/channel.md.
constexpr DWORD kChannelAckRequested = 0x80000000u;
// "HKAK" read as a little-endian u32.
constexpr std::uint32_t kChannelAck = 0x4B414B48u;
// How long connecting, sending and waiting for the acknowledgement may take together.
constexpr int kChannelHandOverMilliseconds = 2000;
// "HKAL" read as a little-endian u32: between the acknowledgement and the decision the receiver
// sends this word about once a second while its event loop runs, so a sender can tell a user
// reading an alert from a tray program that stopped after taking the report.
constexpr std::uint32_t kChannelKeepAlive = 0x4C414B48u;
// After the acknowledgement, a receiver silent for this long (no keep-alive, no decision) is
// taken as stopped or hung: the sender gives up with 0.
constexpr int kChannelSilenceMilliseconds = 10000;

// Connects to the receiver listening at path, sends one message asking for the acknowledgement
// and returns the receiver's i32 answer. Connecting, sending and the acknowledgement must all
// happen within kChannelHandOverMilliseconds; after the acknowledgement it waits as long as the
// decision takes (an alert the user is reading) while keep-alives keep coming. Returns 0 ("no
// receiver") when path names no socket, nobody listens there, the connection is refused, the
// receiver does not take the report in time (stopped or hung), falls silent for
// kChannelSilenceMilliseconds after taking it, or closes before answering;
// also for a null or over-long path, size above kMaxCopyDataBytes, a code with the
// acknowledgement bit set, or data null with size non-zero.
//
// Never raises SIGPIPE, retries calls interrupted by signals and closes its descriptor on every
// path. It talks to the kernel with raw system calls, so socket functions interposed in the process
// (the interception provider's) never see its traffic. errno is left as it was on entry.
LRESULT SendChannelMessage(const char* path, DWORD code, const void* data, DWORD size);
// As SendChannelMessage with other limits (tests).
LRESULT SendChannelMessageWithin(const char* path, DWORD code, const void* data, DWORD size,
                                 int handOverMilliseconds,
                                 int silenceMilliseconds = kChannelSilenceMilliseconds);

} // namespace hookwise::platform
