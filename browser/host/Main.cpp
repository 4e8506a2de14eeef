// hookwise-browser-host: the native messaging host of the Hookwise browser extension, and its
// installer.
//
//   hookwise-browser-host [chrome-extension://ID/]      serve the extension on stdin / stdout
//   hookwise-browser-host MANIFEST.json ID              the same, started by Firefox
//   hookwise-browser-host --install [--profile DIR]      register it with Chromium, Firefox
//   hookwise-browser-host --uninstall [--profile DIR]    remove the registrations
//   hookwise-browser-host --manifest chromium|firefox PATH
//                                                        print the manifest for a host at PATH
//
// --profile names a Chromium user data folder (as Chromium's --user-data-dir) and registers the
// host there only; without it the user's Chromium folder and Firefox's are used.
#include "browser/host/BrowserHost.h"
#include "browser/host/ExtensionLink.h"
#include "browser/host/HostInstaller.h"
#include "browser/host/Json.h"
#include "browser/host/NativeMessaging.h"
#include "platform/Module.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

void PrintUsage(std::FILE* out) {
    std::fprintf(out, "usage: hookwise-browser-host --install [--profile DIR]\n"
                      "       hookwise-browser-host --uninstall [--profile DIR]\n"
                      "       hookwise-browser-host --manifest chromium|firefox PATH\n"
                      "Started by the browser without these options, it serves the Hookwise "
                      "extension.\n");
}

struct Registration {
    const char* browser;
    std::string folder;
    browserhost::Browser kind;
};

int Install(bool install, const std::string& profile) {
    std::vector<Registration> registrations{
        {"Chromium", browserhost::ManifestFolder(profile), browserhost::Browser::Chromium}};
    if (profile.empty())
        registrations.push_back(
            {"Firefox", browserhost::FirefoxManifestFolder(), browserhost::Browser::Firefox});
    char self[4096] = {};
    if (install && GetModuleFileNameA(nullptr, self, sizeof self) == 0) {
        std::fprintf(stderr, "hookwise-browser-host: cannot find its own program file\n");
        return 1;
    }
    // Every browser is tried, so one that fails does not keep the host from the other.
    int result = 0;
    for (const Registration& r : registrations) {
        std::string error = install ? browserhost::InstallManifest(r.folder, self, r.kind)
                                    : browserhost::UninstallManifest(r.folder);
        if (!error.empty()) {
            std::fprintf(stderr, "hookwise-browser-host: %s: %s\n", r.browser, error.c_str());
            result = 1;
            continue;
        }
        std::printf("%s the Hookwise browser host %s %s for %s\n",
                    install ? "Registered" : "Removed", install ? "in" : "from", r.folder.c_str(),
                    r.browser);
    }
    return result;
}

int PrintManifest(const std::string& browser, const std::string& hostPath) {
    if ((browser != "chromium" && browser != "firefox") || hostPath.empty() || hostPath[0] != '/') {
        PrintUsage(stderr);
        return 2;
    }
    std::fputs(browserhost::HostManifest(hostPath, browser == "firefox"
                                                       ? browserhost::Browser::Firefox
                                                       : browserhost::Browser::Chromium)
                   .c_str(),
               stdout);
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
        } else if (arg == "--manifest" && i + 2 < argc && argc == 4) {
            return PrintManifest(argv[i + 1], argv[i + 2]);
        } else if (arg == "--help" || arg == "-h") {
            PrintUsage(stdout);
            return 0;
        } else if (arg.rfind("chrome-extension://", 0) == 0 ||
                   arg.rfind("--parent-window", 0) == 0) {
            // What the browser passes when it starts the host: the caller's origin, and on some
            // systems its window.
        } else if (i == 1 && argc == 3 && arg.size() > 5 &&
                   arg.compare(arg.size() - 5, 5, ".json") == 0) {
            // Firefox starts the host with the path of its manifest and the extension's id.
            ++i;
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
