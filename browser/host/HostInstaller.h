// Registering the native host with Chromium and Firefox: the host manifest that names this
// program and lets the Hookwise extension start it, written in the user's browser folder.
#pragma once

#include <string>

namespace browserhost {

// The host's name as the extension connects to it.
constexpr const char* kHostName = "com.corvane.hookwise";
// The extension's id in Chromium, fixed by the public key in its manifest.
constexpr const char* kExtensionId = "fggigegdepebhcibdaibmkfknlpdobmf";
// The extension's id in Firefox, fixed by its browser_specific_settings.
constexpr const char* kGeckoExtensionId = "page-inspector@hookwise.corvane";

// The two browser families: their manifests differ in how they name the extensions admitted.
enum class Browser { Chromium, Firefox };

// The folder that holds host manifests for a browser user data folder: DIR/NativeMessagingHosts.
// An empty userDataDir means Chromium's own, UserConfigFolder() + "/chromium". Empty when no home
// folder is known.
std::string ManifestFolder(const std::string& userDataDir);

// The folder of a user's Firefox host manifests: ~/.mozilla/native-messaging-hosts. Empty when
// no home folder is known.
std::string FirefoxManifestFolder();

// The manifest text for the host program at hostPath: Chromium's admits the extension by its
// origin ("allowed_origins"), Firefox's by its id ("allowed_extensions").
std::string HostManifest(const std::string& hostPath, Browser browser = Browser::Chromium);

// Writes the manifest for hostPath into the folder (made when missing), replacing an older one
// whole. Returns "" on success, else a message saying what failed.
std::string InstallManifest(const std::string& folder, const std::string& hostPath,
                            Browser browser = Browser::Chromium);
// Removes the manifest from the folder; a manifest that is not there is no failure.
std::string UninstallManifest(const std::string& folder);

} // namespace browserhost
