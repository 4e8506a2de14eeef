// Whether the provider looks anything up right now: the engine set-up and the cheap, rate-limited
// check that the tray program is running.
#pragma once

#include <cstdint>

namespace hookwise::provider {

// How often, at most, the provider looks again for the tray program and its working database.
constexpr long kRecheckMilliseconds = 1000;

// True when lookups may run: the tray program's channel socket exists, CLSPGlobals has been set
// up, and the working database szDBPath exists. The first call after the socket appears runs
// CLSPGlobals::InitializeAppVars (later callers wait for it); after that the answer is refreshed
// at most once per kRecheckMilliseconds by whichever thread comes first (the others keep the last
// answer instead of waiting), and InitializeAppVars runs again then only while hMainWnd is null,
// so a tray program started later is found. Costs one clock read between refreshes. Never touches
// the registry while the tray program is not running. Keeps errno.
bool EngineReady();

// Names the working database as the last refresh saw it: the number changes whenever the file
// (its path, device, inode, size or modification time) changed, appeared or went away since the
// refresh before, and on every refresh while the file is less than two seconds old. Verdicts
// remembered under one number are not used under another, so a replaced database takes effect
// at the next refresh at the latest. Never 0.
std::uint64_t LookupGeneration();

} // namespace hookwise::provider
