// A small JSON reader and writer for the messages between the browser extension and its native
// host: objects of strings, numbers, booleans and null (arrays and nested objects are read too).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace browserhost {

class JsonValue {
public:
    enum class Type { Null, Bool, Number, String, Array, Object };

    JsonValue() = default;
    static JsonValue Bool(bool value);
    static JsonValue Number(double value);
    static JsonValue String(std::string value);
    static JsonValue Array(std::vector<JsonValue> items);
    static JsonValue Object(std::map<std::string, JsonValue> members);

    Type GetType() const { return type_; }
    bool IsNull() const { return type_ == Type::Null; }

    // The member of an object, or null when this is no object or has no such member.
    const JsonValue* Find(const std::string& name) const;
    // The member's string, when the member exists and is a string.
    std::optional<std::string> GetString(const std::string& name) const;
    // The member's number, when it exists, is a number and is a whole number in the int64 range.
    std::optional<std::int64_t> GetInteger(const std::string& name) const;

    const std::string& AsString() const { return string_; }
    double AsNumber() const { return number_; }
    bool AsBool() const { return bool_; }

private:
    Type type_ = Type::Null;
    bool bool_ = false;
    double number_ = 0;
    std::string string_;
    std::vector<JsonValue> items_;
    std::map<std::string, JsonValue> members_;
};

// Parses one JSON text (UTF-8). Null on any syntax error, on text after the value, or on nesting
// deeper than 64 levels. \u escapes become UTF-8; a lone surrogate becomes U+FFFD.
std::optional<JsonValue> ParseJson(const std::string& text);

// Builds a flat JSON object member by member: {"a":1,"b":"x"}.
class JsonWriter {
public:
    JsonWriter& Add(const std::string& name, const std::string& value);
    JsonWriter& Add(const std::string& name, const char* value);
    JsonWriter& Add(const std::string& name, std::int64_t value);
    // A separate name: an overload for bool would make Add(name, 5) ambiguous.
    JsonWriter& AddBool(const std::string& name, bool value);
    std::string Text() const { return "{" + body_ + "}"; }

private:
    void Name(const std::string& name);
    std::string body_;
};

// The JSON string literal for text, with quotes; control characters, '"' and '\' escaped.
std::string JsonQuote(const std::string& text);

} // namespace browserhost
