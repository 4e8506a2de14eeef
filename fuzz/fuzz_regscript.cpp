// Fuzzes the registry script reader: the input is parsed as a whole script (it must be refused
// with a line or parsed, never crash or hang), and every value it sets is written back as the
// exporter writes it and read again, which must give the same type and bytes.
#include "core/settings/RegistryExporter.h"
#include "core/settings/RegistryImporter.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

using namespace hookwise::core;

namespace {

// The exporter's forms keep every byte, except a text's terminating NUL (the plain form drops it)
// and names holding a quote or a line break, which a script line cannot carry.
bool RoundTrips(const RegistryScriptOp& op) {
    if (op.valueName.find_first_of("\"\r\n") != std::string::npos)
        return false;
    return !(op.type == REG_SZ && !op.data.empty() && op.data.back() == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view script(reinterpret_cast<const char*>(data), size);
    std::vector<RegistryScriptOp> ops;
    std::string error;
    if (!ParseRegistryScript(script, ops, error)) {
        if (error.rfind("line ", 0) != 0)
            std::abort(); // every refusal names its line
        return 0;
    }
    for (const RegistryScriptOp& op : ops) {
        if (op.kind != RegistryScriptOp::SetValue || !RoundTrips(op))
            continue;
        const std::string again =
            "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\X]\r\n" +
            ScriptValueLine(op.valueName, op.type, op.data.data(), op.data.size()) + "\r\n";
        std::vector<RegistryScriptOp> read;
        if (!ParseRegistryScript(again, read, error) || read.size() != 2 ||
            read[1].valueName != op.valueName || read[1].type != op.type || read[1].data != op.data)
            std::abort();
    }
    return 0;
}
