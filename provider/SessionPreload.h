// The user's session environment file that preloads the interception provider into every program
// of the user's new sessions (systemd's environment.d, read at log-in).
#pragma once

#include <string>

namespace hookwise::provider {

// UserConfigFolder() + "/environment.d/60-hookwise.conf"; "" when no configuration folder is
// known.
std::string SessionPreloadPath();

// The line that preloads library, keeping whatever earlier files preload:
//     LD_PRELOAD=<library>${LD_PRELOAD:+:$LD_PRELOAD}
std::string PreloadLine(const std::string& library);

// Returns content with every LD_PRELOAD line that names the provider's file
// (libhookswp_lsp.so) removed and, when library is not empty, PreloadLine(library) added at the
// end. Every other line is kept as it was. Applying it twice gives the same text as once.
std::string WithPreload(const std::string& content, const std::string& library);

// True when content has no line but blank ones and comments.
bool IsEffectivelyEmpty(const std::string& content);

// Writes PreloadLine(library) into the file at path (creating its folders), keeping its other
// lines; does not touch a file that already holds exactly that. Empty library: removes the
// provider's line, and the file when nothing else is left in it. Returns "" on success, else a
// sentence saying what failed.
std::string UpdateSessionPreload(const std::string& path, const std::string& library);

} // namespace hookwise::provider
