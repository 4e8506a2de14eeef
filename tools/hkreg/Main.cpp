// hkreg: the registry store from the command line: export a key as a REGEDIT4 script, merge a
// script back (all or nothing), and show a key's values.
//
//   hkreg export KEY FILE    write KEY and everything below it to FILE
//   hkreg import FILE        merge FILE into the store; a malformed script changes nothing
//   hkreg query KEY [VALUE]  show the values of KEY and its subkeys' names, or one value
//
// KEY is a full name such as HKEY_CURRENT_USER\Software\Corvane\Hookwise (HKCU, HKLM and HKCR
// are accepted too). Exit status: 0 done, 1 failed, 2 wrong command line.
#include "core/settings/RegistryExporter.h"
#include "core/settings/RegistryImporter.h"
#include "core/settings/RegistryPath.h"
#include "platform/LastError.h"
#include "platform/Registry.h"

#include <cstdio>
#include <string>
#include <vector>

using namespace hookwise::core;

namespace {
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

int Usage() {
    std::fprintf(stderr,
                 "usage: hkreg export KEY FILE\n"
                 "       hkreg import FILE\n"
                 "       hkreg query KEY [VALUE]\n"
                 "KEY is a full key name, e.g. HKEY_CURRENT_USER\\Software\\Corvane\\Hookwise\n");
    return kExitUsage;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "hkreg: %s\n", message.c_str());
    return kExitFailed;
}

// Opens KEY for reading; on failure prints why and returns false.
bool OpenNamedKey(const std::string& fullName, HKEY& root, std::string& subKey, RegKey& key) {
    if (!ParseRegistryPath(fullName, root, subKey)) {
        Fail("not a key name (it must start with HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE or "
             "HKEY_CLASSES_ROOT): " +
             fullName);
        return false;
    }
    LONG result = RegOpenKeyExA(root, subKey.c_str(), 0, KEY_READ, key.Put());
    if (result != ERROR_SUCCESS) {
        Fail(result == ERROR_FILE_NOT_FOUND
                 ? "no such key: " + fullName
                 : fullName + ": " + SystemMessageText(static_cast<DWORD>(result)));
        return false;
    }
    return true;
}

std::string CanonicalName(HKEY root, const std::string& subKey) {
    return RootName(root) + (subKey.empty() ? "" : "\\" + subKey);
}

int Export(const std::string& fullName, const std::string& path) {
    HKEY root = nullptr;
    std::string subKey;
    RegKey key;
    if (!OpenNamedKey(fullName, root, subKey, key))
        return kExitFailed;
    RegistryExporter exporter(path);
    if (!exporter.IsOpen())
        return Fail(path + ": cannot create the file");
    if (!exporter.ExportKey(root, subKey, CanonicalName(root, subKey)))
        return Fail(path + ": the export could not be written completely");
    return 0;
}

int Import(const std::string& path) {
    std::string error;
    if (!ImportRegistryScript(path, error))
        return Fail(path + ": " + error + " (nothing was changed)");
    return 0;
}

const char* TypeName(DWORD type) {
    switch (type) {
    case REG_NONE:
        return "REG_NONE";
    case REG_SZ:
        return "REG_SZ";
    case REG_EXPAND_SZ:
        return "REG_EXPAND_SZ";
    case REG_BINARY:
        return "REG_BINARY";
    case REG_DWORD:
        return "REG_DWORD";
    case REG_MULTI_SZ:
        return "REG_MULTI_SZ";
    case REG_QWORD:
        return "REG_QWORD";
    default:
        return "REG_UNKNOWN";
    }
}

// The data as reg.exe shows it: texts as they are (line breaks as \n), numbers in hex, other
// bytes as upper-case hex digits.
std::string DataText(DWORD type, const std::vector<BYTE>& data) {
    if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
        std::size_t size = data.size();
        while (size && data[size - 1] == 0)
            --size;
        std::string out;
        for (std::size_t i = 0; i < size; ++i) {
            char c = static_cast<char>(data[i]);
            if (c == '\0')
                out += "\\0";
            else if (c == '\n')
                out += "\\n";
            else if (c == '\r')
                out += "\\r";
            else
                out += c;
        }
        return out;
    }
    if ((type == REG_DWORD && data.size() == 4) || (type == REG_QWORD && data.size() == 8)) {
        unsigned long long value = 0;
        for (std::size_t i = data.size(); i-- > 0;)
            value = (value << 8) | data[i];
        char text[32];
        std::snprintf(text, sizeof text, "0x%llx", value);
        return text;
    }
    std::string out;
    char hex[3];
    for (BYTE b : data) {
        std::snprintf(hex, sizeof hex, "%02X", b);
        out += hex;
    }
    return out;
}

void PrintValue(const std::string& name, DWORD type, const std::vector<BYTE>& data) {
    std::printf("    %s    %s    %s\n", name.empty() ? "(Default)" : name.c_str(), TypeName(type),
                DataText(type, data).c_str());
}

bool ReadEnumValue(HKEY key, DWORD index, std::string& name, DWORD& type, std::vector<BYTE>& data,
                   LONG& result) {
    std::vector<char> nameBuffer(16385);
    DWORD nameChars = static_cast<DWORD>(nameBuffer.size());
    DWORD size = 0;
    result =
        RegEnumValueA(key, index, nameBuffer.data(), &nameChars, nullptr, &type, nullptr, &size);
    if (result != ERROR_SUCCESS)
        return false;
    data.assign(size + 1, 0);
    DWORD got = size + 1;
    nameChars = static_cast<DWORD>(nameBuffer.size());
    result =
        RegEnumValueA(key, index, nameBuffer.data(), &nameChars, nullptr, &type, data.data(), &got);
    if (result != ERROR_SUCCESS)
        return false;
    data.resize(std::min<DWORD>(got, size));
    name.assign(nameBuffer.data(), nameChars);
    return true;
}

int Query(const std::string& fullName, const std::string* valueName) {
    HKEY root = nullptr;
    std::string subKey;
    RegKey key;
    if (!OpenNamedKey(fullName, root, subKey, key))
        return kExitFailed;
    std::string canonical = CanonicalName(root, subKey);

    if (valueName) {
        DWORD type = REG_NONE;
        DWORD size = 0;
        LONG result =
            RegQueryValueExA(key.Get(), valueName->c_str(), nullptr, &type, nullptr, &size);
        std::vector<BYTE> data(size + 1, 0);
        DWORD got = size + 1;
        if (result == ERROR_SUCCESS)
            result =
                RegQueryValueExA(key.Get(), valueName->c_str(), nullptr, &type, data.data(), &got);
        if (result == ERROR_FILE_NOT_FOUND)
            return Fail("no value \"" + *valueName + "\" in " + canonical);
        if (result != ERROR_SUCCESS)
            return Fail(canonical + ": " + SystemMessageText(static_cast<DWORD>(result)));
        data.resize(std::min<DWORD>(got, size));
        std::printf("%s\n", canonical.c_str());
        PrintValue(*valueName, type, data);
        return 0;
    }

    std::printf("%s\n", canonical.c_str());
    for (DWORD index = 0;; ++index) {
        std::string name;
        DWORD type = REG_NONE;
        std::vector<BYTE> data;
        LONG result = ERROR_SUCCESS;
        if (!ReadEnumValue(key.Get(), index, name, type, data, result)) {
            if (result != ERROR_NO_MORE_ITEMS)
                return Fail(canonical + ": " + SystemMessageText(static_cast<DWORD>(result)));
            break;
        }
        PrintValue(name, type, data);
    }
    std::vector<char> child(16385);
    bool first = true;
    for (DWORD index = 0;; ++index) {
        LONG result = RegEnumKeyA(key.Get(), index, child.data(), static_cast<DWORD>(child.size()));
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result != ERROR_SUCCESS)
            return Fail(canonical + ": " + SystemMessageText(static_cast<DWORD>(result)));
        if (first)
            std::printf("\n");
        first = false;
        std::printf("%s\\%s\n", canonical.c_str(), child.data());
    }
    return 0;
}
} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty())
        return Usage();
    const std::string& command = args[0];
    if (command == "export" && args.size() == 3)
        return Export(args[1], args[2]);
    if (command == "import" && args.size() == 2)
        return Import(args[1]);
    if (command == "query" && (args.size() == 2 || args.size() == 3))
        return Query(args[1], args.size() == 3 ? &args[2] : nullptr);
    if (command == "-h" || command == "--help" || command == "help") {
        Usage();
        return 0;
    }
    return Usage();
}
