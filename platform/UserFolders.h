// The user's own folders (home, XDG data, configuration and cache folders) and making folders.
#pragma once

#include <string>

// $HOME, else the home folder of the user's password entry; "" when neither is known.
std::string HomeFolder();

// $XDG_DATA_HOME when it is an absolute path, else HomeFolder() + "/.local/share"; "" when no
// home folder is known.
std::string UserDataFolder();

// $XDG_CONFIG_HOME when it is an absolute path, else HomeFolder() + "/.config"; "" when no home
// folder is known. Every file of ours under the configuration folder is found through this one
// rule (the registry, the provider catalogue, the autostart entry, the session's preload, the
// browser host manifest), so all of them agree when HOME is not set.
std::string UserConfigFolder();

// $XDG_CACHE_HOME when it is an absolute path, else HomeFolder() + "/.cache"; "" when no home
// folder is known.
std::string UserCacheFolder();

// Creates path and every missing folder above it; the folders made get mode (less the umask).
// True when path is a folder afterwards; false with errno set (ENOTDIR when path or a folder
// above it is a file).
bool MakeFolders(const std::string& path, unsigned mode);
