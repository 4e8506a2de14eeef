// Fuzzes MailHeaderParser with arbitrary page texts: every operation runs, and every value is
// trimmed and holds no line break.
#include "inspector/MailHeaderParser.h"
#include "platform/CaseFold.h"

#include <cstdint>
#include <cstring>
#include <string>

using namespace hookwise::platform;

namespace {

void CheckValue(const char* value) {
    std::size_t n = std::strlen(value);
    if (std::strpbrk(value, "\r\n"))
        __builtin_trap();
    if (n && (value[0] == ' ' || value[n - 1] == ' '))
        __builtin_trap();
    for (std::size_t i = 0; i < n; ++i) {
        if (value[i] >= 'A' && value[i] <= 'Z')
            __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    MailHeaderParser parser;
    parser.SetText(text.c_str());
    bool isMail = parser.ParseFromTo();
    // A mail has a From line; the To line may be missing (hidden recipients).
    if (isMail != parser.HasFrom() || (parser.HasTo() && !isMail))
        __builtin_trap();
    parser.ParseAll();
    CheckValue(parser.GetFrom());
    CheckValue(parser.GetTo());
    CheckValue(parser.GetSubject());
    CheckValue(parser.GetDate());
    CheckValue(parser.GetAttachment());
    if (!parser.HasBody())
        __builtin_trap();
    // The body is the HTML (up to its first NUL) under the case fold, whose length may differ.
    parser.SetHtml(text.c_str());
    if (std::string(parser.GetBody()) != FoldCase(text.c_str()))
        __builtin_trap();
    parser.SetText(nullptr);
    if (parser.ParseFromTo() || parser.GetFlags() != 0)
        __builtin_trap();
    return 0;
}
