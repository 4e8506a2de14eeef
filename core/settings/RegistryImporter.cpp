// RegistryImporter: parses a REGEDIT4 script whole, then merges it in one registry transaction.
//
// Sections: line reading, value data forms, parsing, applying.
#include "core/settings/RegistryImporter.h"

#include "core/TextUtil.h"
#include "core/settings/RegistryPath.h"
#include "platform/HexDigit.h"
#include "platform/LastError.h"
#include "platform/Registry.h"
#include "platform/TextLines.h"
#include "platform/TextTrim.h"
#include "platform/WholeFile.h"

#include <cerrno>

using namespace hookwise::platform;

namespace hookwise::core {

namespace {
constexpr std::size_t kMaxScriptBytes = 256u * 1024 * 1024;

// ---- line reading ----

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Space and TAB before a line or field; those and the CR of a CR LF line end after it.
std::string_view TrimLine(std::string_view text) {
    return TrimBack(TrimFront(text, kSpaceTab), " \t\r");
}

std::string LineError(int line, const std::string& what) {
    return "line " + std::to_string(line) + ": " + what;
}

// ---- value data forms ----

bool ParseHexNumber(std::string_view text, std::size_t maxDigits, std::uint32_t& value) {
    if (text.empty() || text.size() > maxDigits)
        return false;
    value = 0;
    for (char c : text) {
        int digit = HexDigitValue(c);
        if (digit < 0)
            return false;
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    return true;
}

// "00,1f,..." (blanks allowed around bytes, one trailing comma allowed).
bool ParseHexBytes(std::string_view text, std::vector<BYTE>& out, std::string& what) {
    out.clear();
    text = TrimLine(text);
    if (text.empty())
        return true;
    std::size_t start = 0;
    while (true) {
        std::size_t comma = text.find(',', start);
        std::string_view token = TrimLine(
            text.substr(start, comma == std::string_view::npos ? text.npos : comma - start));
        bool last = comma == std::string_view::npos;
        if (token.empty() && last && start > 0)
            return true; // a trailing comma
        std::uint32_t byte = 0;
        if (!ParseHexNumber(token, 2, byte)) {
            what = "bad hex byte \"" + std::string(token) + "\"";
            return false;
        }
        out.push_back(static_cast<BYTE>(byte));
        if (last)
            return true;
        start = comma + 1;
    }
}

// The text between the quotes of a quoted text, with \\ and \" undone.
void UnescapeText(std::string_view inner, std::vector<BYTE>& out) {
    out.clear();
    for (std::size_t i = 0; i < inner.size(); ++i) {
        if (inner[i] == '\\' && i + 1 < inner.size() &&
            (inner[i + 1] == '\\' || inner[i + 1] == '"')) {
            out.push_back(static_cast<BYTE>(inner[i + 1]));
            ++i;
            continue;
        }
        out.push_back(static_cast<BYTE>(inner[i]));
    }
}

// Whether a line starts an entry of its own: a key line "[...]", or a value line ("name"=... or
// @=...). A quoted text never runs on into one: a damaged script whose text lost its closing
// quote is refused rather than read with the next entries inside that text.
bool IsEntryLine(std::string_view line) {
    line = TrimLine(line);
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']')
        return true;
    if (line.size() >= 2 && line[0] == '@' && TrimLine(line.substr(1)).starts_with('='))
        return true;
    return line.size() >= 3 && line.front() == '"' && line.find("\"=", 1) != std::string_view::npos;
}

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           EqualsIgnoreAsciiCase(text.substr(0, prefix.size()), prefix);
}

// ---- parsing ----

class ScriptParser {
public:
    ScriptParser(std::string_view script, std::vector<RegistryScriptOp>& ops)
        : script_(script), lines_(SplitLines(script)), ops_(ops) {}

    bool Parse(std::string& error) {
        ops_.clear();
        if (!ParseHeader(error))
            return false;
        for (next_ = 1; next_ < lines_.size();) {
            std::size_t index = next_++;
            int number = static_cast<int>(index) + 1;
            std::string_view line = TrimLine(lines_[index]);
            if (line.empty())
                continue;
            bool ok = true;
            if (line.front() == '[')
                ok = ParseKeyLine(line, number, error);
            else if (line.front() == '"' || line.front() == '@')
                ok = ParseValueLine(line, number, error);
            // Anything else (comments) is ignored.
            if (!ok)
                return false;
        }
        return true;
    }

private:
    bool ParseHeader(std::string& error) {
        std::string_view first = lines_.empty() ? std::string_view() : lines_[0];
        if (first.size() >= 2 && static_cast<unsigned char>(first[0]) == 0xFF &&
            static_cast<unsigned char>(first[1]) == 0xFE) {
            error = LineError(1, "a UTF-16 script (Version 5.00 form); only REGEDIT4 scripts are "
                                 "read");
            return false;
        }
        if (first.size() >= 3 && first.substr(0, 3) == "\xEF\xBB\xBF")
            first.remove_prefix(3);
        if (TrimLine(first) != "REGEDIT4") {
            error = LineError(1, "the script does not start with REGEDIT4");
            return false;
        }
        return true;
    }

    bool ParseKeyLine(std::string_view line, int number, std::string& error) {
        std::size_t close = line.rfind(']');
        if (close == std::string_view::npos) {
            error = LineError(number, "key name without closing ']'");
            return false;
        }
        std::string_view name = line.substr(1, close - 1);
        bool remove = !name.empty() && name.front() == '-';
        if (remove)
            name.remove_prefix(1);
        RegistryScriptOp op;
        op.line = number;
        if (!ParseRegistryPath(name, op.root, op.subKey)) {
            error = LineError(number, "unknown root key in [" + std::string(name) + "]");
            return false;
        }
        if (remove && op.subKey.empty()) {
            error = LineError(number, "a root key cannot be deleted");
            return false;
        }
        op.kind = remove ? RegistryScriptOp::DeleteKey : RegistryScriptOp::CreateKey;
        haveKey_ = true;
        keyDeleted_ = remove;
        root_ = op.root;
        subKey_ = op.subKey;
        ops_.push_back(std::move(op));
        return true;
    }

    // Reads the value name at the start of line; *rest receives what follows the '='.
    bool ParseValueName(std::string_view line, int number, std::string& name,
                        std::string_view& rest, std::string& error) {
        std::size_t i = 0;
        name.clear();
        if (line[0] == '@') {
            i = 1;
        } else {
            bool closed = false;
            for (i = 1; i < line.size(); ++i) {
                char c = line[i];
                if (c == '\\' && i + 1 < line.size() &&
                    (line[i + 1] == '\\' || line[i + 1] == '"')) {
                    name += line[++i];
                    continue;
                }
                if (c == '"') {
                    // A quote ends the name only where '=' follows; the exporter writes inner
                    // quotes unescaped.
                    std::size_t j = i + 1;
                    while (j < line.size() && IsBlank(line[j]))
                        ++j;
                    if (j < line.size() && line[j] == '=') {
                        i = j;
                        closed = true;
                        break;
                    }
                }
                name += c;
            }
            if (!closed) {
                error = LineError(number, "value name without closing quote and '='");
                return false;
            }
        }
        while (i < line.size() && IsBlank(line[i]))
            ++i;
        if (i >= line.size() || line[i] != '=') {
            error = LineError(number, "'=' expected after '@'");
            return false;
        }
        rest = TrimLine(line.substr(i + 1));
        return true;
    }

    bool ParseValueLine(std::string_view line, int number, std::string& error) {
        if (!haveKey_) {
            error = LineError(number, "value line before any [key] line");
            return false;
        }
        RegistryScriptOp op;
        op.line = number;
        op.root = root_;
        op.subKey = subKey_;
        std::string_view data;
        if (!ParseValueName(line, number, op.valueName, data, error))
            return false;

        if (data.empty())
            return true; // no data: an old export of an unknown type, nothing to restore
        if (data == "-") {
            op.kind = RegistryScriptOp::DeleteValue;
            return Add(std::move(op));
        }
        op.kind = RegistryScriptOp::SetValue;
        if (data.front() == '"') {
            op.type = REG_SZ;
            if (!ParseQuotedText(data, op.data)) {
                error = LineError(number, "text without closing quote");
                return false;
            }
            return Add(std::move(op));
        }
        if (StartsWithIgnoreCase(data, "dword:")) {
            std::uint32_t value = 0;
            if (!ParseHexNumber(TrimLine(data.substr(6)), 8, value)) {
                error = LineError(number, "dword: needs 1 to 8 hex digits");
                return false;
            }
            op.type = REG_DWORD;
            for (int i = 0; i < 4; ++i)
                op.data.push_back(static_cast<BYTE>(value >> (8 * i)));
            return Add(std::move(op));
        }
        if (StartsWithIgnoreCase(data, "hex")) {
            std::string_view after = data.substr(3);
            op.type = REG_BINARY;
            if (!after.empty() && after.front() == '(') {
                std::size_t close = after.find(')');
                std::uint32_t type = 0;
                if (close == std::string_view::npos ||
                    !ParseHexNumber(after.substr(1, close - 1), 8, type)) {
                    error = LineError(number, "hex(N): needs a hex type number");
                    return false;
                }
                op.type = type;
                after = after.substr(close + 1);
            }
            if (after.empty() || after.front() != ':') {
                error = LineError(number, "':' expected after hex");
                return false;
            }
            std::string bytes(after.substr(1));
            // A final '\' continues the list on the next line.
            while (!bytes.empty() && TrimLine(bytes).back() == '\\') {
                std::string_view trimmed = TrimLine(bytes);
                bytes.assign(trimmed.substr(0, trimmed.size() - 1));
                if (next_ >= lines_.size()) {
                    error = LineError(number, "hex data continued past the end of the script");
                    return false;
                }
                bytes += TrimLine(lines_[next_++]);
            }
            std::string what;
            if (!ParseHexBytes(bytes, op.data, what)) {
                error = LineError(number, what);
                return false;
            }
            return Add(std::move(op));
        }
        error = LineError(number, "unknown value data \"" + std::string(data.substr(0, 40)) + "\"");
        return false;
    }

    // A quoted text: data is the rest of the current line from the opening quote. A text whose
    // line does not end with a quote goes on over the next lines: the line breaks between them
    // belong to it, exactly as the script holds them (CR LF or LF), and it ends at the first line
    // that ends with a quote. A text that reaches a key or value line or the end of the script
    // first has no closing quote.
    bool ParseQuotedText(std::string_view data, std::vector<BYTE>& out) {
        if (data.size() >= 2 && data.back() == '"') {
            UnescapeText(data.substr(1, data.size() - 2), out);
            return true;
        }
        const std::size_t start = static_cast<std::size_t>(data.data() - script_.data()) + 1;
        for (std::size_t index = next_; index < lines_.size(); ++index) {
            std::string_view line = lines_[index];
            if (IsEntryLine(line))
                return false;
            std::string_view content = TrimLine(line);
            if (content.empty() || content.back() != '"')
                continue;
            const std::size_t close =
                static_cast<std::size_t>(content.data() - script_.data()) + content.size() - 1;
            UnescapeText(script_.substr(start, close - start), out);
            next_ = index + 1;
            return true;
        }
        return false;
    }

    bool Add(RegistryScriptOp op) {
        if (!keyDeleted_) // values under a deleted key are ignored, as regedit does
            ops_.push_back(std::move(op));
        return true;
    }

    std::string_view script_;
    std::vector<std::string_view> lines_;
    std::vector<RegistryScriptOp>& ops_;
    std::size_t next_ = 1;
    bool haveKey_ = false;
    bool keyDeleted_ = false;
    HKEY root_ = nullptr;
    std::string subKey_;
};

// ---- applying ----

std::string KeyName(const RegistryScriptOp& op) {
    return RootName(op.root) + (op.subKey.empty() ? "" : "\\" + op.subKey);
}

std::string StepError(const RegistryScriptOp& op, const std::string& what, LONG code) {
    std::string reason = SystemMessageText(static_cast<DWORD>(code));
    return LineError(op.line, what + " " + KeyName(op) + ": " + reason);
}
} // namespace

bool ParseRegistryScript(std::string_view script, std::vector<RegistryScriptOp>& ops,
                         std::string& error) {
    ScriptParser parser(script, ops);
    if (parser.Parse(error))
        return true;
    ops.clear();
    return false;
}

bool ApplyRegistryScript(const std::vector<RegistryScriptOp>& ops, std::string& error) {
    RegistryTransaction transaction;
    // The key of the previous step stays open: scripts set many values of one key in a row.
    RegKey key;
    HKEY keyRoot = nullptr;
    std::string keyPath;
    bool haveKey = false;
    auto openForWrite = [&](const RegistryScriptOp& op) -> LONG {
        if (haveKey && keyRoot == op.root && EqualsIgnoreAsciiCase(keyPath, op.subKey))
            return ERROR_SUCCESS;
        haveKey = false;
        LONG result =
            RegCreateKeyExA(op.root, op.subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, key.Put(), nullptr);
        if (result == ERROR_SUCCESS) {
            haveKey = true;
            keyRoot = op.root;
            keyPath = op.subKey;
        }
        return result;
    };

    for (const RegistryScriptOp& op : ops) {
        LONG result = ERROR_SUCCESS;
        switch (op.kind) {
        case RegistryScriptOp::CreateKey:
            if (op.subKey.empty())
                continue;
            result = openForWrite(op);
            if (result != ERROR_SUCCESS) {
                error = StepError(op, "cannot create", result);
                return false;
            }
            break;
        case RegistryScriptOp::DeleteKey:
            key = RegKey();
            haveKey = false;
            result = SHDeleteKeyA(op.root, op.subKey.c_str());
            if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) {
                error = StepError(op, "cannot delete", result);
                return false;
            }
            break;
        case RegistryScriptOp::SetValue:
            result = openForWrite(op);
            if (result == ERROR_SUCCESS) {
                static const BYTE kNothing = 0;
                result = RegSetValueExA(key.Get(), op.valueName.c_str(), 0, op.type,
                                        op.data.empty() ? &kNothing : op.data.data(),
                                        static_cast<DWORD>(op.data.size()));
            }
            if (result != ERROR_SUCCESS) {
                error = StepError(op, "cannot set \"" + op.valueName + "\" in", result);
                return false;
            }
            break;
        case RegistryScriptOp::DeleteValue: {
            RegKey target;
            if (RegOpenKeyExA(op.root, op.subKey.c_str(), 0, KEY_ALL_ACCESS, target.Put()) !=
                ERROR_SUCCESS)
                break; // no key, so no value to delete
            result = RegDeleteValueA(target.Get(), op.valueName.c_str());
            if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) {
                error = StepError(op, "cannot delete \"" + op.valueName + "\" in", result);
                return false;
            }
            break;
        }
        }
    }
    key = RegKey();
    LONG committed = transaction.Commit();
    if (committed != ERROR_SUCCESS) {
        error = "the registry could not be written: " + FormatSystemMessage(committed);
        while (!error.empty() && (error.back() == '\n' || error.back() == '\r'))
            error.pop_back();
        return false;
    }
    return true;
}

bool ImportRegistryScript(const std::string& path, std::string& error) {
    std::string script;
    if (const int err = ReadWholeFile(path, script, kMaxScriptBytes); err != 0) {
        // A folder opens but cannot be read.
        error = err == EFBIG                  ? "the file is too large for a registry script"
                : err == EISDIR || err == EIO ? "cannot read the file"
                                              : "cannot open the file";
        return false;
    }
    std::vector<RegistryScriptOp> ops;
    if (!ParseRegistryScript(script, ops, error))
        return false;
    return ApplyRegistryScript(ops, error);
}

} // namespace hookwise::core
