// The start-with-the-session entry: the Run value of the registry and the XDG autostart file
// kept in line with it.
#pragma once

#include <string>

namespace hookwise::core {

constexpr const char* kRunKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// programPath + " -min", the command line the program starts with from the session.
std::string RunAtStartupCommandLine(const std::string& programPath);

// The autostart file of valueName: UserConfigFolder() + "/autostart/" + valueName + ".desktop"
// ('/' in the name becomes '_'). "" when no configuration folder is known.
std::string AutostartFilePath(const std::string& valueName);

// remove false: writes commandLine as REG_SZ value valueName of HKEY_CURRENT_USER\...\Run (the key
// is created when missing) and writes the autostart file, whose Exec line is commandLine with the
// program part quoted (the program part is everything before a trailing " -min", else all of it).
// remove true: deletes the value and the autostart file. Returns true when the registry change
// and the file change both succeeded; deleting a value that does not exist reports false.
bool SetRunAtStartup(const std::string& valueName, const std::string& commandLine, bool remove);

} // namespace hookwise::core
