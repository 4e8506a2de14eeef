// RegistryExporter: writes a registry key with all its values and subkeys as a REGEDIT4 script.
//
// Lines end with CR LF: "REGEDIT4", an empty line, then "[" + key + "]" and one line per value,
// then each subkey depth first, in enumeration order. Data forms: REG_SZ "text" (every '\'
// doubled; a terminating NUL, when stored, dropped), REG_EXPAND_SZ hex(2):, REG_BINARY hex:,
// REG_DWORD dword:XXXXXXXX, REG_MULTI_SZ hex(7):, bytes as lower-case hex pairs joined by ','.
// So that a backup restores every byte: a REG_SZ holding a line break or an inner NUL is written
// hex(1):, a REG_DWORD that is not 4 bytes hex(4):, and any other type hex(N):.
#pragma once

#include "platform/AtomicFile.h"
#include "platform/WinTypes.h"

#include <functional>
#include <string>

namespace hookwise::core {

constexpr const char* kBackupOpenErrorText = "Cannot open a Registry backup file..";

class RegistryExporter {
public:
    // Shows caption and text of a failure (the message box of the window layer).
    using ErrorSink = std::function<void(const std::string& caption, const std::string& text)>;

    // Starts the script for path: written under a temporary name of mode 0600 beside it and put
    // in place of path (an older file, or a link there, is replaced, never followed) when the
    // export is done, or empty when the exporter is destroyed without one. On failure onError (when
    // given) receives string 7001 and kBackupOpenErrorText, and the exporter writes nothing.
    explicit RegistryExporter(const std::string& path, ErrorSink onError = {});
    ~RegistryExporter();
    RegistryExporter(const RegistryExporter&) = delete;
    RegistryExporter& operator=(const RegistryExporter&) = delete;

    bool IsOpen() const { return open_; }

    // Writes the header and subKeyPath of root, named fullName in the script, with everything
    // below it, and puts the script in place of the target; the exporter is closed then. False,
    // with nothing written, when the file is not open or the key cannot be opened; false too when a
    // line could not be written.
    bool ExportKey(HKEY root, const std::string& subKeyPath, const std::string& fullName);

private:
    bool WriteLine(const std::string& line);
    bool ExportTree(HKEY key, const std::string& fullName);

    platform::AtomicFileWriter writer_;
    bool open_ = false;
    bool failed_ = false;
};

// One value line of the script for a value named name (empty = the default value "@") holding
// data of type.
std::string ScriptValueLine(const std::string& name, DWORD type, const BYTE* data,
                            std::size_t size);

} // namespace hookwise::core
