// JsonRecords: the records of a JSON feed read without recursion.
#include "tools/hkwdefs/feeds/JsonRecords.h"

#include "platform/HexDigit.h"
#include "platform/Utf8.h"

#include <cstdint>

namespace hookwise::tools {

using namespace hookwise::platform;

namespace {

bool IsJsonBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

constexpr std::uint32_t kReplacement = 0xFFFD;

} // namespace

JsonRecords::JsonRecords(std::string_view text) : text_(text) {
    if (text_.substr(0, 3) == "\xEF\xBB\xBF")
        pos_ = 3;
}

void JsonRecords::SkipBlanks() {
    while (pos_ < text_.size() && IsJsonBlank(text_[pos_]))
        ++pos_;
}

bool JsonRecords::Fail(std::string_view reason) {
    errorOffset_ = pos_;
    errorReason_ = reason;
    state_ = State::Done;
    return false;
}

bool JsonRecords::ReadString(std::string* out) {
    ++pos_; // the opening quote
    if (out)
        out->clear();
    for (;;) {
        // Copy the plain run up to the next quote or backslash in one step.
        std::size_t run = pos_;
        while (run < text_.size() && text_[run] != '"' && text_[run] != '\\')
            ++run;
        if (out)
            out->append(text_.data() + pos_, run - pos_);
        pos_ = run;
        if (pos_ >= text_.size())
            return Fail("a string is not closed");
        if (text_[pos_] == '"') {
            ++pos_;
            return true;
        }
        if (pos_ + 1 >= text_.size())
            return Fail("a string is not closed");
        const char escape = text_[pos_ + 1];
        pos_ += 2;
        char plain = 0;
        switch (escape) {
        case '"':
            plain = '"';
            break;
        case '\\':
            plain = '\\';
            break;
        case '/':
            plain = '/';
            break;
        case 'b':
            plain = '\b';
            break;
        case 'f':
            plain = '\f';
            break;
        case 'n':
            plain = '\n';
            break;
        case 'r':
            plain = '\r';
            break;
        case 't':
            plain = '\t';
            break;
        case 'u':
            break;
        default:
            return Fail("an unknown escape in a string");
        }
        if (plain != 0) {
            if (out)
                *out += plain;
            continue;
        }
        auto readHex4 = [this](std::uint32_t& value) {
            if (pos_ + 4 > text_.size())
                return false;
            value = 0;
            for (int i = 0; i < 4; ++i) {
                int digit = HexDigitValue(text_[pos_ + i]);
                if (digit < 0)
                    return false;
                value = value * 16 + static_cast<std::uint32_t>(digit);
            }
            pos_ += 4;
            return true;
        };
        std::uint32_t code = 0;
        if (!readHex4(code))
            return Fail("a \\u escape without four hex digits");
        if (code >= 0xD800 && code <= 0xDBFF) {
            // A high surrogate pairs with a following \uDC00..\uDFFF.
            std::uint32_t low = 0;
            const std::size_t before = pos_;
            if (text_.substr(pos_, 2) == "\\u") {
                pos_ += 2;
                if (readHex4(low) && low >= 0xDC00 && low <= 0xDFFF)
                    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                else {
                    pos_ = before;
                    code = kReplacement;
                }
            } else {
                code = kReplacement;
            }
        } else if (code >= 0xDC00 && code <= 0xDFFF) {
            code = kReplacement;
        }
        if (out)
            AppendUtf8(*out, code);
    }
}

bool JsonRecords::SkipValue() {
    // The open arrays ('[') and objects ('{') of the value, innermost last; an object also
    // remembers whether a member name or a value comes next.
    std::vector<char>& open = open_;
    open.clear();
    bool expectKey = false;
    for (;;) {
        SkipBlanks();
        if (pos_ >= text_.size())
            return Fail("the text ends inside a value");
        const char c = text_[pos_];
        if (expectKey) {
            // In an object: a member name and ':' (or the end of an empty object).
            if (c == '}') {
                ++pos_;
                open.pop_back();
            } else {
                if (c != '"')
                    return Fail("an object member without a quoted name");
                if (!ReadString(nullptr))
                    return false;
                SkipBlanks();
                if (pos_ >= text_.size() || text_[pos_] != ':')
                    return Fail("an object member name without ':'");
                ++pos_;
                expectKey = false;
                continue;
            }
        } else if (c == '[' || c == '{') {
            if (open.size() >= kMaxJsonDepth)
                return Fail("values nested too deeply");
            open.push_back(c);
            ++pos_;
            expectKey = c == '{';
            if (c == '[') {
                SkipBlanks();
                if (pos_ < text_.size() && text_[pos_] == ']') {
                    ++pos_;
                    open.pop_back();
                } else {
                    continue;
                }
            } else {
                continue;
            }
        } else if (c == '"') {
            if (!ReadString(nullptr))
                return false;
        } else {
            // A number or a literal (true, false, null): a run of their characters.
            const std::size_t start = pos_;
            while (pos_ < text_.size() &&
                   ((text_[pos_] >= '0' && text_[pos_] <= '9') ||
                    (text_[pos_] >= 'a' && text_[pos_] <= 'z') || text_[pos_] == '-' ||
                    text_[pos_] == '+' || text_[pos_] == '.' || text_[pos_] == 'E'))
                ++pos_;
            if (pos_ == start)
                return Fail("an unexpected character");
        }
        // After a complete value: a ',' continues its container, a bracket closes it.
        for (;;) {
            if (open.empty())
                return true;
            SkipBlanks();
            if (pos_ >= text_.size())
                return Fail("the text ends inside a value");
            const char next = text_[pos_];
            if (next == ',') {
                ++pos_;
                expectKey = open.back() == '{';
                break;
            }
            if ((next == ']' && open.back() == '[') || (next == '}' && open.back() == '{')) {
                ++pos_;
                open.pop_back();
                continue;
            }
            return Fail("a missing ',' or closing bracket");
        }
    }
}

bool JsonRecords::ReadObject(std::string& url, bool& hasUrl) {
    ++pos_; // '{'
    hasUrl = false;
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == '}') {
        ++pos_;
        return true;
    }
    for (;;) {
        SkipBlanks();
        if (pos_ >= text_.size() || text_[pos_] != '"')
            return Fail("an object member without a quoted name");
        if (!ReadString(&key_))
            return false;
        SkipBlanks();
        if (pos_ >= text_.size() || text_[pos_] != ':')
            return Fail("an object member name without ':'");
        ++pos_;
        SkipBlanks();
        // The first "url" string counts; a repeated one is skipped as any other member.
        if (key_ == "url" && !hasUrl && pos_ < text_.size() && text_[pos_] == '"') {
            if (!ReadString(&url))
                return false;
            hasUrl = true;
        } else if (!SkipValue()) {
            return false;
        }
        SkipBlanks();
        if (pos_ >= text_.size())
            return Fail("the text ends inside an object");
        if (text_[pos_] == '}') {
            ++pos_;
            return true;
        }
        if (text_[pos_] != ',')
            return Fail("a missing ',' or '}' in an object");
        ++pos_;
    }
}

JsonRecords::Result JsonRecords::Next(std::string& url, bool& hasUrl) {
    hasUrl = false;
    switch (state_) {
    case State::Done:
        return errorReason_.empty() ? Result::End : Result::Error;
    case State::Start:
        SkipBlanks();
        if (pos_ >= text_.size()) {
            state_ = State::Done;
            return Result::End;
        }
        if (text_[pos_] == '{') {
            state_ = State::SingleObject;
            break;
        }
        if (text_[pos_] != '[') {
            Fail("the text is neither an array nor an object");
            return Result::Error;
        }
        ++pos_;
        SkipBlanks();
        if (pos_ < text_.size() && text_[pos_] == ']') {
            ++pos_;
            state_ = State::Done;
            return Result::End;
        }
        state_ = State::InArray;
        break;
    case State::InArray: {
        SkipBlanks();
        if (pos_ >= text_.size()) {
            Fail("the array is not closed");
            return Result::Error;
        }
        if (text_[pos_] == ']') {
            ++pos_;
            state_ = State::Done;
            return Result::End;
        }
        if (text_[pos_] != ',') {
            Fail("a missing ',' between records");
            return Result::Error;
        }
        ++pos_;
        break;
    }
    case State::SingleObject:
        state_ = State::Done;
        return Result::End;
    }

    SkipBlanks();
    recordStart_ = pos_;
    if (pos_ < text_.size() && text_[pos_] == '{') {
        if (!ReadObject(url, hasUrl))
            return Result::Error;
        if (state_ == State::SingleObject)
            state_ = State::Done;
        return Result::Record;
    }
    if (state_ == State::SingleObject)
        state_ = State::Done;
    if (!SkipValue())
        return Result::Error;
    return Result::NotAnObject;
}

} // namespace hookwise::tools
