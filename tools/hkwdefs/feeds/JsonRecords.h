// JsonRecords: a streaming reader of the records of a JSON feed (PhishTank's JSON: an array of
// objects, each with a "url" string) that needs no document tree and takes any bytes safely.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace hookwise::tools {

// Reads text as JSON: a top-level array whose elements are the records, or a single top-level
// object that is the one record. Nesting is tracked on an explicit stack, never by recursion, and
// is refused beyond kMaxJsonDepth levels; strings are decoded (escapes, \u with surrogate pairs
// to UTF-8; a lone surrogate becomes U+FFFD).
class JsonRecords {
public:
    static constexpr std::size_t kMaxJsonDepth = 256;

    explicit JsonRecords(std::string_view text);

    enum class Result {
        Record,      // a record: an object; url holds its "url" member when hasUrl
        NotAnObject, // a record that is not an object (a number, a string, an array ...)
        End,         // no more records
        Error,       // a syntax error at ErrorOffset(); nothing after it can be read
    };
    // Reads the next record. url is reused, so reading allocates only while it grows.
    Result Next(std::string& url, bool& hasUrl);

    // Where the last error was found (a byte offset into text), and why.
    std::size_t ErrorOffset() const { return errorOffset_; }
    std::string_view ErrorReason() const { return errorReason_; }
    // How far into the text the reading has come.
    std::size_t Offset() const { return pos_; }
    // Where the record Next last returned begins.
    std::size_t RecordOffset() const { return recordStart_; }

private:
    enum class State { Start, InArray, SingleObject, Done };

    void SkipBlanks();
    bool Fail(std::string_view reason);
    // Reads a string at pos_ (which is at its '"') into out (when out is not null).
    bool ReadString(std::string* out);
    // Skips one whole value of any kind, nested values included.
    bool SkipValue();
    // Reads an object at pos_ (at its '{'), keeping its "url" string member.
    bool ReadObject(std::string& url, bool& hasUrl);

    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t recordStart_ = 0;
    State state_ = State::Start;
    std::string key_;
    std::vector<char> open_; // SkipValue's open arrays and objects, kept to reuse its memory
    std::size_t errorOffset_ = 0;
    std::string_view errorReason_;
};

} // namespace hookwise::tools
