// The end-of-session signals (SIGTERM, SIGHUP, SIGINT) turned into a readable descriptor, so an
// event loop can treat them as the session-end message instead of dying in the middle of a save.
#pragma once

namespace hookwise::platform {

// Installs handlers for SIGTERM, SIGHUP and SIGINT that write the signal's number into a pipe, and
// returns the pipe's read end (non-blocking, close-on-exec). Later calls return the same
// descriptor. -1 (last error set) when the pipe cannot be made; the signals keep their default
// action then.
int OpenTerminationSignalDescriptor();

// Reads one pending signal number from the descriptor; 0 when none is pending.
int TakeTerminationSignal(int descriptor);

} // namespace hookwise::platform
