// Test support for the end-to-end test fixtures: the sandboxed environment a HookWs runs in, the
// settings a user left before a start, and the wait for the program's channel.
#pragma once

#include "TrayProcess.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace traye2e {

// The environment of a HookWs whose folders all lie in root: its registry, runtime,
// configuration, data and home folders and the provider catalogue; offscreen, the engine library
// from program, start-up messages that close after 300 ms, no update from the network at start.
std::vector<std::string> TrayEnvironment(const std::string& root, const std::string& program);

// Makes root's runtime folder (mode 0700) and applies environment to this process too, so the
// test reads the program's registry and reaches its channel.
void EnterTrayEnvironment(const std::string& root, const std::vector<std::string>& environment);

// The site list's permission stored as a user left it before a start.
testing::AssertionResult SetSitePermission(std::int32_t permission);

// Waits up to 60 s for the channel of a started HookWs to answer; fails at once when the
// program ends first, with its output (outputPath).
testing::AssertionResult WaitForChannel(TrayProcess& tray, const std::string& outputPath);

} // namespace traye2e
