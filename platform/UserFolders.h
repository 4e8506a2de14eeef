// The user's own folders: the home folder and the XDG data folder.
#pragma once

#include <string>

// $HOME, else the home folder of the user's password entry; "" when neither is known.
std::string HomeFolder();

// $XDG_DATA_HOME when it is an absolute path, else HomeFolder() + "/.local/share"; "" when no
// home folder is known.
std::string UserDataFolder();

// Creates path and every missing folder above it; the folders made get mode. True when path is a
// folder afterwards.
bool MakeFolders(const std::string& path, unsigned mode);
