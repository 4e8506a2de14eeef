// RegistryImporter: merges a REGEDIT4 script into the registry store, all or nothing.
//
// The script is parsed whole first; a malformed one is refused with a message naming its line and
// changes nothing. A good one is applied in one registry transaction. Forms: the "REGEDIT4" header;
// "[KEY]" creates the key (and missing parents); "[-KEY]" deletes it with everything below;
// "name"=... / @=... set a value ("text", dword:, hex:, hex(N):, a hex list continued with a
// final '\'); "name"=- deletes one value; a value with nothing after '=' (an old exporter's
// unknown type) is skipped. Lines starting with anything else (';' comments) are ignored. Quoted
// texts undo "\\" and "\"" and are stored as their bytes without a terminating NUL, as the program
// writes its own texts. A quoted text may run over several lines (its line breaks are kept as the
// script holds them) up to the first line that ends with a quote; one that meets a key or value
// line or the end of the script first is refused, naming the line it starts on.
#pragma once

#include "platform/WinTypes.h"

#include <string>
#include <string_view>
#include <vector>

namespace hookwise::core {

struct RegistryScriptOp {
    enum Kind { CreateKey, DeleteKey, SetValue, DeleteValue } kind = CreateKey;
    HKEY root = nullptr;
    std::string subKey;
    std::string valueName; // "" = the default value
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    int line = 0;
};

// Parses script text. False with error = "line N: what is wrong" (N counted from 1) when the
// script is malformed; ops then holds nothing useful.
bool ParseRegistryScript(std::string_view script, std::vector<RegistryScriptOp>& ops,
                         std::string& error);

// Applies ops in one transaction. False, with the registry unchanged and error set, when a step
// fails.
bool ApplyRegistryScript(const std::vector<RegistryScriptOp>& ops, std::string& error);

// Reads path, parses it and applies it. False with error ("cannot open the file", "line N: ...")
// and nothing changed on any failure.
bool ImportRegistryScript(const std::string& path, std::string& error);

} // namespace hookwise::core
