// provinst: installs or removes the interception provider for the user: its catalogue entry and
// the preload of libhookswp_lsp.so into the programs of the user's new sessions.
//
//     provinst -i [-w] -n NAME    add NAME to the catalogue and activate the preload
//     provinst -r -n NAME         remove both
//
// Both are idempotent. Exit status 0 on success, 1 when a step fails, 2 for a wrong command line.
#include "provider/SessionPreload.h"
#include "platform/LastError.h"
#include "platform/Module.h"
#include "platform/ProviderCatalog.h"

#include <cstdio>
#include <cstring>
#include <string>

#include <unistd.h>

using namespace hookwise::provider;

namespace {

constexpr char kLibraryName[] = "libhookswp_lsp.so";

enum class Action { None, Install, Remove };

struct Options {
    Action action = Action::None;
    std::string name;
};

int Usage(const char* problem) {
    std::fprintf(stderr,
                 "provinst: %s\n"
                 "usage: provinst -i [-w] -n NAME   install the provider under NAME\n"
                 "       provinst -r -n NAME        remove it\n",
                 problem);
    return 2;
}

// Accepts "-n NAME" and "-nNAME"; -w (install for the whole session) is the only way it installs.
bool ParseOptions(int argc, char** argv, Options& options, std::string& problem) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "-i" || arg == "-r") {
            Action action = arg == "-i" ? Action::Install : Action::Remove;
            if (options.action != Action::None && options.action != action) {
                problem = "-i and -r cannot be combined";
                return false;
            }
            options.action = action;
        } else if (arg == "-w") {
            continue;
        } else if (arg == "-n") {
            if (i + 1 >= argc) {
                problem = "-n needs a provider name";
                return false;
            }
            options.name = argv[++i];
        } else if (arg.rfind("-n", 0) == 0) {
            options.name = arg.substr(2);
        } else {
            problem = "unknown argument \"" + arg + "\"";
            return false;
        }
    }
    if (options.action == Action::None) {
        problem = "say -i to install or -r to remove";
        return false;
    }
    if (options.name.empty()) {
        problem = "a provider name is needed (-n NAME)";
        return false;
    }
    return true;
}

std::string ProviderLibrary() {
    char program[4096] = "";
    if (GetModuleFileNameA(nullptr, program, sizeof program) == 0)
        return {};
    return FolderOf(program) + "/" + kLibraryName;
}

int Install(const std::string& name) {
    std::string library = ProviderLibrary();
    if (library.empty() || access(library.c_str(), R_OK) != 0) {
        std::fprintf(stderr, "provinst: the provider library %s is missing\n",
                     library.empty() ? kLibraryName : library.c_str());
        return 1;
    }
    if (LONG rc = CatalogAdd(name.c_str(), library.c_str()); rc != ERROR_SUCCESS) {
        std::fprintf(stderr, "provinst: cannot add \"%s\" to the catalogue %s: %s\n", name.c_str(),
                     CatalogPath().c_str(), SystemMessageText(static_cast<DWORD>(rc)).c_str());
        return 1;
    }
    std::string preload = SessionPreloadPath();
    if (std::string error = UpdateSessionPreload(preload, library); !error.empty()) {
        std::fprintf(stderr, "provinst: \"%s\" is in the catalogue, but the preload failed: %s\n",
                     name.c_str(), error.c_str());
        return 1;
    }
    std::printf("provinst: installed \"%s\" (%s); it is loaded into programs of new sessions "
                "(%s)\n",
                name.c_str(), library.c_str(), preload.c_str());
    return 0;
}

int Remove(const std::string& name) {
    LONG rc = CatalogRemove(name.c_str());
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) {
        std::fprintf(stderr, "provinst: cannot remove \"%s\" from the catalogue %s: %s\n",
                     name.c_str(), CatalogPath().c_str(),
                     SystemMessageText(static_cast<DWORD>(rc)).c_str());
        return 1;
    }
    std::string preload = SessionPreloadPath();
    if (std::string error = UpdateSessionPreload(preload, ""); !error.empty()) {
        std::fprintf(stderr, "provinst: cannot remove the preload: %s\n", error.c_str());
        return 1;
    }
    std::printf("provinst: removed \"%s\"%s; new sessions no longer load the provider\n",
                name.c_str(), rc == ERROR_FILE_NOT_FOUND ? " (it was not in the catalogue)" : "");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    std::string problem;
    if (!ParseOptions(argc, argv, options, problem))
        return Usage(problem.c_str());
    try {
        return options.action == Action::Install ? Install(options.name) : Remove(options.name);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "provinst: %s\n", e.what());
        return 1;
    }
}
