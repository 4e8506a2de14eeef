// The user's own folders (home, XDG data, configuration and cache folders) and making folders.
#pragma once

#include <string>

namespace hookwise::platform {

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

enum class PrivateFolderResult {
    Private,   // the folder is ours and only ours (made now with mode 0700, or already so)
    Tightened, // it was ours but open to others; it is mode 0700 now
    Failed,    // errno: ENOTDIR for a link or a file, EPERM for a folder of another user, ...
};

// Makes path (its parent must exist) a folder of mode 0700 that belongs to the user, without
// following a link at path. An existing folder of ours that the group or others may use is
// tightened to 0700; a link, a file, or another user's folder there is refused.
PrivateFolderResult MakePrivateFolder(const std::string& path);

} // namespace hookwise::platform
