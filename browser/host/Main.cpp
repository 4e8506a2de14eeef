// hookwise-browser-host: the native messaging host of the Hookwise browser extension, and its
// installer.
//
//   hookwise-browser-host [chrome-extension://ID/]      serve the extension on stdin / stdout
//   hookwise-browser-host --install [--profile DIR]      register the host with Chromium
//   hookwise-browser-host --uninstall [--profile DIR]    remove the registration
//
// --profile names a browser user data folder (as Chromium's --user-data-dir); without it the
// user's Chromium folder is used.
#include "browser/host/BrowserHost.h"
#include "browser/host/ExtensionLink.h"
#include "browser/host/HostInstaller.h"
#include "browser/host/NativeMessaging.h"
#include "browser/host/Json.h"
#include "platform/Module.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace {

void PrintUsage(std::FILE* out) {
    std::fprintf(out, "usage: hookwise-browser-host --install [--profile DIR]\n"
                      "       hookwise-browser-host --uninstall [--profile DIR]\n"
                      "Started by the browser without these options, it serves the Hookwise "
                      "extension.\n");
}

int Install(bool install, const std::string& profile) {
    std::string folder = browserhost::ManifestFolder(profile);
    char self[4096] = {};
    if (install && GetModuleFileNameA(nullptr, self, sizeof self) == 0) {
        std::fprintf(stderr, "hookwise-browser-host: cannot find its own program file\n");
        return 1;
    }
    std::string error = install ? browserhost::InstallManifest(folder, self)
                                : browserhost::UninstallManifest(folder);
    if (!error.empty()) {
        std::fprintf(stderr, "hookwise-browser-host: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s the Hookwise browser host %s %s\n", install ? "Registered" : "Removed",
                install ? "in" : "from", folder.c_str());
    return 0;
}

// Serves the extension until the browser closes the stream. Only protocol frames may reach the
// browser, so the protocol gets its own copy of stdout and stdout itself points at stderr.
int Serve() {
    std::signal(SIGPIPE, SIG_IGN);
    int out = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    if (out < 0 || dup2(STDERR_FILENO, STDOUT_FILENO) < 0)
        return 1;
    browserhost::ExtensionLink link(STDIN_FILENO, out);
    browserhost::BrowserHost host(&link, browserhost::ParentProgram());
    std::string message;
    for (;;) {
        browserhost::ReadResult read = link.Next(&message);
        if (read == browserhost::ReadResult::End)
            return 0;
        std::string answer = read == browserhost::ReadResult::TooLarge
                                 ? browserhost::JsonWriter()
                                       .Add("type", "done")
                                       .Add("id", std::int64_t{-1})
                                       .Add("result", std::int64_t{E_INVALIDARG})
                                       .Text()
                                 : host.HandleMessage(message);
        if (!answer.empty() && !link.Send(answer))
            return 0;
    }
}

} // namespace

int main(int argc, char** argv) {
    std::string mode;
    std::string profile;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--install" || arg == "--uninstall") {
            mode = arg;
        } else if (arg == "--profile" && i + 1 < argc && argv[i + 1][0] != '\0') {
            profile = argv[++i];
        } else if (arg == "--help" || arg == "-h") {
            PrintUsage(stdout);
            return 0;
        } else if (arg.rfind("chrome-extension://", 0) == 0 ||
                   arg.rfind("--parent-window", 0) == 0) {
            // What the browser passes when it starts the host: the caller's origin, and on some
            // systems its window.
        } else {
            PrintUsage(stderr);
            return 2;
        }
    }
    if (!profile.empty() && mode.empty()) {
        PrintUsage(stderr);
        return 2;
    }
    if (!mode.empty())
        return Install(mode == "--install", profile);
    return Serve();
}
