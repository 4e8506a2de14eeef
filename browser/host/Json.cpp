// The JSON reader (recursive descent with a depth limit) and the flat object writer.
#include "browser/host/Json.h"

#include "platform/Utf8.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

using namespace hookwise::platform;

namespace browserhost {

// ---- values ----

JsonValue JsonValue::Bool(bool value) {
    JsonValue v;
    v.type_ = Type::Bool;
    v.bool_ = value;
    return v;
}

JsonValue JsonValue::Number(double value) {
    JsonValue v;
    v.type_ = Type::Number;
    v.number_ = value;
    return v;
}

JsonValue JsonValue::String(std::string value) {
    JsonValue v;
    v.type_ = Type::String;
    v.string_ = std::move(value);
    return v;
}

JsonValue JsonValue::Array(std::vector<JsonValue> items) {
    JsonValue v;
    v.type_ = Type::Array;
    v.items_ = std::move(items);
    return v;
}

JsonValue JsonValue::Object(std::map<std::string, JsonValue> members) {
    JsonValue v;
    v.type_ = Type::Object;
    v.members_ = std::move(members);
    return v;
}

const JsonValue* JsonValue::Find(const std::string& name) const {
    if (type_ != Type::Object)
        return nullptr;
    auto it = members_.find(name);
    return it == members_.end() ? nullptr : &it->second;
}

std::optional<std::string> JsonValue::GetString(const std::string& name) const {
    const JsonValue* member = Find(name);
    if (!member || member->type_ != Type::String)
        return std::nullopt;
    return member->string_;
}

std::optional<std::int64_t> JsonValue::GetInteger(const std::string& name) const {
    const JsonValue* member = Find(name);
    if (!member || member->type_ != Type::Number)
        return std::nullopt;
    double n = member->number_;
    // 2^63 is the first double beyond the int64 range.
    if (n != std::floor(n) || n < -9223372036854775808.0 || n >= 9223372036854775808.0)
        return std::nullopt;
    return static_cast<std::int64_t>(n);
}

// ---- reader ----

namespace {

constexpr int kMaxDepth = 64;

class Reader {
public:
    explicit Reader(const std::string& text) : text_(text) {}

    std::optional<JsonValue> Document() {
        auto value = Value(0);
        SkipBlanks();
        if (!value || pos_ != text_.size())
            return std::nullopt;
        return value;
    }

private:
    void SkipBlanks() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                       text_[pos_] == '\n' || text_[pos_] == '\r'))
            ++pos_;
    }
    bool Literal(const char* word) {
        std::string_view w(word);
        if (text_.compare(pos_, w.size(), w) != 0)
            return false;
        pos_ += w.size();
        return true;
    }

    std::optional<JsonValue> Value(int depth) {
        if (depth > kMaxDepth)
            return std::nullopt;
        SkipBlanks();
        if (pos_ >= text_.size())
            return std::nullopt;
        char c = text_[pos_];
        if (c == '{')
            return ObjectValue(depth);
        if (c == '[')
            return ArrayValue(depth);
        if (c == '"') {
            auto s = StringValue();
            return s ? std::optional<JsonValue>(JsonValue::String(std::move(*s))) : std::nullopt;
        }
        if (Literal("true"))
            return JsonValue::Bool(true);
        if (Literal("false"))
            return JsonValue::Bool(false);
        if (Literal("null"))
            return JsonValue();
        return NumberValue();
    }

    std::optional<JsonValue> ObjectValue(int depth) {
        ++pos_; // '{'
        std::map<std::string, JsonValue> members;
        SkipBlanks();
        if (pos_ < text_.size() && text_[pos_] == '}') {
            ++pos_;
            return JsonValue::Object(std::move(members));
        }
        for (;;) {
            SkipBlanks();
            if (pos_ >= text_.size() || text_[pos_] != '"')
                return std::nullopt;
            auto name = StringValue();
            if (!name)
                return std::nullopt;
            SkipBlanks();
            if (pos_ >= text_.size() || text_[pos_] != ':')
                return std::nullopt;
            ++pos_;
            auto value = Value(depth + 1);
            if (!value)
                return std::nullopt;
            members.insert_or_assign(std::move(*name), std::move(*value));
            SkipBlanks();
            if (pos_ >= text_.size())
                return std::nullopt;
            if (text_[pos_] == '}') {
                ++pos_;
                return JsonValue::Object(std::move(members));
            }
            if (text_[pos_] != ',')
                return std::nullopt;
            ++pos_;
        }
    }

    std::optional<JsonValue> ArrayValue(int depth) {
        ++pos_; // '['
        std::vector<JsonValue> items;
        SkipBlanks();
        if (pos_ < text_.size() && text_[pos_] == ']') {
            ++pos_;
            return JsonValue::Array(std::move(items));
        }
        for (;;) {
            auto value = Value(depth + 1);
            if (!value)
                return std::nullopt;
            items.push_back(std::move(*value));
            SkipBlanks();
            if (pos_ >= text_.size())
                return std::nullopt;
            if (text_[pos_] == ']') {
                ++pos_;
                return JsonValue::Array(std::move(items));
            }
            if (text_[pos_] != ',')
                return std::nullopt;
            ++pos_;
        }
    }

    std::optional<JsonValue> NumberValue() {
        std::size_t start = pos_;
        if (pos_ < text_.size() && text_[pos_] == '-')
            ++pos_;
        auto digits = [&] {
            std::size_t from = pos_;
            while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9')
                ++pos_;
            return pos_ > from;
        };
        if (!digits())
            return std::nullopt;
        if (pos_ < text_.size() && text_[pos_] == '.') {
            ++pos_;
            if (!digits())
                return std::nullopt;
        }
        if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
            ++pos_;
            if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-'))
                ++pos_;
            if (!digits())
                return std::nullopt;
        }
        std::string number = text_.substr(start, pos_ - start);
        return JsonValue::Number(std::strtod(number.c_str(), nullptr));
    }

    std::optional<unsigned> Hex4() {
        if (pos_ + 4 > text_.size())
            return std::nullopt;
        unsigned value = 0;
        for (int k = 0; k < 4; ++k) {
            char c = text_[pos_++];
            value <<= 4;
            if (c >= '0' && c <= '9')
                value |= c - '0';
            else if (c >= 'a' && c <= 'f')
                value |= c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                value |= c - 'A' + 10;
            else
                return std::nullopt;
        }
        return value;
    }

    std::optional<std::string> StringValue() {
        ++pos_; // '"'
        std::string out;
        while (pos_ < text_.size()) {
            char c = text_[pos_++];
            if (c == '"')
                return out;
            if (static_cast<unsigned char>(c) < 0x20)
                return std::nullopt;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (pos_ >= text_.size())
                return std::nullopt;
            char e = text_[pos_++];
            switch (e) {
            case '"':
                out += '"';
                break;
            case '\\':
                out += '\\';
                break;
            case '/':
                out += '/';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                auto unit = Hex4();
                if (!unit)
                    return std::nullopt;
                char32_t cp = *unit;
                if (cp >= 0xD800 && cp <= 0xDBFF && text_.compare(pos_, 2, "\\u") == 0) {
                    std::size_t mark = pos_;
                    pos_ += 2;
                    auto low = Hex4();
                    if (low && *low >= 0xDC00 && *low <= 0xDFFF)
                        cp = 0x10000 + ((cp - 0xD800) << 10) + (*low - 0xDC00);
                    else
                        pos_ = mark;
                }
                if (cp >= 0xD800 && cp <= 0xDFFF)
                    cp = 0xFFFD;
                AppendUtf8(out, cp);
                break;
            }
            default:
                return std::nullopt;
            }
        }
        return std::nullopt;
    }

    const std::string& text_;
    std::size_t pos_ = 0;
};

} // namespace

std::optional<JsonValue> ParseJson(const std::string& text) {
    return Reader(text).Document();
}

// ---- writer ----

std::string JsonQuote(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
                out += escape;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

void JsonWriter::Name(const std::string& name) {
    if (!body_.empty())
        body_ += ',';
    body_ += JsonQuote(name) + ':';
}

JsonWriter& JsonWriter::Add(const std::string& name, const std::string& value) {
    Name(name);
    body_ += JsonQuote(value);
    return *this;
}

JsonWriter& JsonWriter::Add(const std::string& name, const char* value) {
    return Add(name, std::string(value ? value : ""));
}

JsonWriter& JsonWriter::Add(const std::string& name, std::int64_t value) {
    Name(name);
    body_ += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::AddBool(const std::string& name, bool value) {
    Name(name);
    body_ += value ? "true" : "false";
    return *this;
}

} // namespace browserhost
