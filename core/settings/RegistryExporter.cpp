// RegistryExporter: a registry key tree written as a REGEDIT4 script.
#include "core/settings/RegistryExporter.h"

#include "core/settings/LanguagePack.h"
#include "platform/Registry.h"

#include <vector>

namespace hookwise::core {

namespace {
constexpr std::size_t kMaxValueBytes = 1024 * 1024;
constexpr DWORD kMaxNameChars = 16384;

std::string HexBytes(const BYTE* data, std::size_t size) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < size; ++i) {
        if (i)
            out += ',';
        out += kDigits[data[i] >> 4];
        out += kDigits[data[i] & 0x0F];
    }
    return out;
}

std::string DoubleBackslashes(const std::string& text) {
    std::string out;
    for (char c : text) {
        out += c;
        if (c == '\\')
            out += '\\';
    }
    return out;
}

std::string HexTypePrefix(DWORD type) {
    static const char kDigits[] = "0123456789abcdef";
    std::string digits;
    do {
        digits.insert(digits.begin(), kDigits[type & 0xF]);
        type >>= 4;
    } while (type);
    return "hex(" + digits + "):";
}

// A text that a quoted line cannot carry: a line break, or a NUL before its last byte.
bool NeedsHexText(const BYTE* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == '\r' || data[i] == '\n' || (data[i] == 0 && i + 1 < size))
            return true;
    }
    return false;
}
} // namespace

std::string ScriptValueLine(const std::string& name, DWORD type, const BYTE* data,
                            std::size_t size) {
    std::string line = name.empty() ? "@=" : '"' + DoubleBackslashes(name) + "\"=";
    switch (type) {
    case REG_SZ: {
        if (NeedsHexText(data, size))
            return line + HexTypePrefix(REG_SZ) + HexBytes(data, size);
        // The terminator goes; a text stored without one keeps its last character.
        std::size_t length = (size && data[size - 1] == 0) ? size - 1 : size;
        std::string text(reinterpret_cast<const char*>(data), length);
        return line + "\"" + DoubleBackslashes(text) + "\"";
    }
    case REG_EXPAND_SZ:
        return line + "hex(2):" + HexBytes(data, size);
    case REG_BINARY:
        return line + "hex:" + HexBytes(data, size);
    case REG_DWORD: {
        if (size != 4)
            return line + HexTypePrefix(REG_DWORD) + HexBytes(data, size);
        char digits[9];
        static const char kDigits[] = "0123456789abcdef";
        for (int i = 0; i < 4; ++i) {
            BYTE b = data[3 - i];
            digits[2 * i] = kDigits[b >> 4];
            digits[2 * i + 1] = kDigits[b & 0x0F];
        }
        digits[8] = '\0';
        return line + "dword:" + digits;
    }
    case REG_MULTI_SZ:
        return line + "hex(7):" + HexBytes(data, size);
    default:
        return line + HexTypePrefix(type) + HexBytes(data, size);
    }
}

RegistryExporter::RegistryExporter(const std::string& path, ErrorSink onError) {
    // The script holds the encoded password: only the user may read it. It is written beside the
    // target under a name made exclusively and renamed over the target when done, so a link
    // planted at the target is replaced, never followed, and an older file is never half
    // overwritten.
    open_ = writer_.Create(path, 0600) == ERROR_SUCCESS;
    if (!open_ && onError)
        onError(LoadText(kStrAppTitle), kBackupOpenErrorText);
}

RegistryExporter::~RegistryExporter() {
    if (open_)
        writer_.Commit();
}

bool RegistryExporter::WriteLine(const std::string& line) {
    std::string bytes = line + "\r\n";
    if (writer_.Write(bytes.data(), bytes.size()) != ERROR_SUCCESS)
        failed_ = true;
    return !failed_;
}

bool RegistryExporter::ExportKey(HKEY root, const std::string& subKeyPath,
                                 const std::string& fullName) {
    if (!open_)
        return false;
    RegKey key;
    if (RegOpenKeyExA(root, subKeyPath.c_str(), 0, KEY_ALL_ACCESS, key.Put()) != ERROR_SUCCESS)
        return false;
    failed_ = false;
    WriteLine("REGEDIT4");
    WriteLine("");
    ExportTree(key.Get(), fullName);
    // The script is complete: it takes the target's place now.
    open_ = false;
    if (writer_.Commit() != ERROR_SUCCESS)
        failed_ = true;
    return !failed_;
}

bool RegistryExporter::ExportTree(HKEY key, const std::string& fullName) {
    WriteLine("[" + fullName + "]");

    std::vector<char> name(kMaxNameChars + 1);
    std::vector<BYTE> data;
    for (DWORD index = 0;; ++index) {
        // Ask for the sizes first, so no value is too long for the buffers.
        DWORD nameChars = kMaxNameChars + 1;
        DWORD type = REG_NONE;
        DWORD size = 0;
        LONG result =
            RegEnumValueA(key, index, name.data(), &nameChars, nullptr, &type, nullptr, &size);
        if (result != ERROR_SUCCESS || size > kMaxValueBytes)
            break; // the first value that cannot be read ends the values of this key
        data.assign(size + 1, 0);
        nameChars = kMaxNameChars + 1;
        DWORD got = size + 1;
        result =
            RegEnumValueA(key, index, name.data(), &nameChars, nullptr, &type, data.data(), &got);
        if (result != ERROR_SUCCESS)
            break;
        WriteLine(ScriptValueLine(std::string(name.data(), nameChars), type, data.data(),
                                  std::min<std::size_t>(got, size)));
    }

    for (DWORD index = 0;; ++index) {
        LONG result = RegEnumKeyA(key, index, name.data(), kMaxNameChars + 1);
        if (result == ERROR_MORE_DATA)
            continue;
        if (result != ERROR_SUCCESS)
            break;
        std::string child(name.data());
        RegKey childKey;
        if (RegOpenKeyExA(key, child.c_str(), 0, KEY_ALL_ACCESS, childKey.Put()) != ERROR_SUCCESS)
            continue; // left out with its subkeys
        ExportTree(childKey.Get(), fullName + "\\" + child);
    }
    return !failed_;
}

} // namespace hookwise::core
