// The start-with-the-session entry: the Run value and the XDG autostart file.
#include "core/settings/RunAtStartup.h"

#include "core/RegistryValues.h"
#include "platform/AtomicFile.h"
#include "platform/Registry.h"
#include "platform/UserFolders.h"

#include <cstdlib>
#include <filesystem>

using namespace hookwise::platform;

namespace hookwise::core {

namespace {
constexpr std::string_view kMinimisedArgument = " -min";

// A desktop entry's Exec argument in double quotes, with the characters that need it escaped.
std::string QuoteExecArgument(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

bool EndsMinimised(const std::string& commandLine) {
    return commandLine.size() > kMinimisedArgument.size() &&
           commandLine.compare(commandLine.size() - kMinimisedArgument.size(),
                               kMinimisedArgument.size(), kMinimisedArgument) == 0;
}

// The program of a command line: all of it but a closing " -min".
std::string ProgramOf(const std::string& commandLine) {
    return EndsMinimised(commandLine)
               ? commandLine.substr(0, commandLine.size() - kMinimisedArgument.size())
               : commandLine;
}

std::string ExecLine(const std::string& commandLine) {
    const std::string quoted = QuoteExecArgument(ProgramOf(commandLine));
    return EndsMinimised(commandLine) ? quoted + std::string(kMinimisedArgument) : quoted;
}

// A desktop entry's string value: backslashes and line breaks escaped.
std::string DesktopString(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

} // namespace

std::string RunAtStartupCommandLine(const std::string& programPath) {
    return programPath + std::string(kMinimisedArgument);
}

std::string AutostartFilePath(const std::string& valueName) {
    const std::string base = UserConfigFolder();
    if (base.empty())
        return "";
    std::string fileName = valueName;
    for (char& c : fileName) {
        if (c == '/')
            c = '_';
    }
    return base + "/autostart/" + fileName + ".desktop";
}

bool SetRunAtStartup(const std::string& valueName, const std::string& commandLine, bool remove) {
    RegKey user;
    if (RegConnectRegistryA(nullptr, HKEY_CURRENT_USER, user.Put()) != ERROR_SUCCESS)
        return false;
    std::string autostart = AutostartFilePath(valueName);

    if (remove) {
        bool removed = false;
        RegKey run;
        if (RegOpenKeyExA(user.Get(), kRunKeyPath, 0, KEY_ALL_ACCESS, run.Put()) == ERROR_SUCCESS)
            removed = RegDeleteValueA(run.Get(), valueName.c_str()) == ERROR_SUCCESS;
        if (!autostart.empty()) {
            std::error_code error;
            std::filesystem::remove(autostart, error);
        }
        return removed;
    }

    RegKey run;
    if (RegCreateKeyExA(user.Get(), kRunKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, run.Put(), nullptr) != ERROR_SUCCESS)
        return false;
    if (!WriteRegText(run.Get(), valueName.c_str(), commandLine))
        return false;
    if (autostart.empty())
        return false;
    std::string entry = "[Desktop Entry]\n"
                        "Type=Application\n"
                        "Name=" +
                        valueName +
                        "\n"
                        "Exec=" +
                        ExecLine(commandLine) +
                        "\n"
                        // A session skips the entry once the program is gone (the package
                        // removed) instead of failing to start it at every log-in.
                        "TryExec=" +
                        DesktopString(ProgramOf(commandLine)) +
                        "\n"
                        "Terminal=false\n"
                        "X-GNOME-Autostart-enabled=true\n";
    // The autostart folder as any program would make it; the entry whole or not at all.
    MakeFolders(autostart.substr(0, autostart.rfind('/')), 0777);
    return WriteFileAtomically(autostart, entry, 0644) == ERROR_SUCCESS;
}

} // namespace hookwise::core
