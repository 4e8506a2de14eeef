// MailHeaderParser: splits the visible text of a web-mail page into its header fields (From, To,
// Subject, Date, Attachment) and decides whether the page shows a mail at all.
//
// The parser works line by line on a case-folded copy of the page text (lines end at LF). For each
// field it looks for the field's labels (inspector/MailHeaderLabels.cpp: English, German, French,
// Spanish, Portuguese, Italian and Dutch) in a fixed order on each line; the first line that holds
// one wins. A label at the start of its line (after blanks) gives the text after the line's first
// ':'; a label later in a line (as in "reply-to:" or "mailto:") gives the text from the label on.
// A value ends at the first CR or LF after its start (or the end of the text) and loses its
// leading and trailing spaces. Nothing is bounded here: senders cut the values into their fixed
// record fields.
#pragma once

#include "inspector/MailHeaderLabels.h"
#include "engine/Export.h"
#include "platform/WinTypes.h"

#include <string>
#include <string_view>

class BAITLIB_API MailHeaderParser {
public:
    // Presence bits of GetFlags().
    static constexpr DWORD kFlagFrom = 0x1;
    static constexpr DWORD kFlagTo = 0x10;
    static constexpr DWORD kFlagSubject = 0x100;
    static constexpr DWORD kFlagDate = 0x1000;
    static constexpr DWORD kFlagAttachment = 0x100000;
    static constexpr DWORD kFlagBody = 0x1000000;

    // Clears every field and flag, then keeps a copy of text under the Unicode case fold
    // (platform/CaseFold.h; A-Z lower-cased, bytes that are no UTF-8 kept). Null means the page
    // supplied no text: every later parse finds nothing.
    void SetText(const char* text);

    // Finds the From and the To line in one walk. True when both were found, then both fields are
    // set; or when a From line but no To line was found and the text has a Subject or a Date line
    // (mail to hidden recipients), then from is set and to stays absent. Otherwise neither field
    // is touched. Subject and date are only looked for here, not set.
    bool ParseFromTo();

    // With a text held: ParseSubject, ParseDate, ParseAttachment, TakeBody, in this order.
    void ParseAll();

    // One line walk each; set their field and flag and return true when a label was found. With
    // no text held they return false.
    bool ParseSubject();
    bool ParseDate();       // labels such as "date:" and "sent:"
    bool ParseAttachment(); // labels such as "attachment:" and the misspelt "attachement:"

    // With a text held: the body becomes the whole lower-cased text and its flag is set.
    void TakeBody();

    // The body becomes html under the case fold, as SetText keeps the text (null is the empty
    // text). The flags are left
    // alone, so the body counts as present only when TakeBody had set it.
    void SetHtml(const char* html);

    // A field's value, or "" when its flag is not set. The pointer stays valid until the next
    // call that changes that field.
    const char* GetFrom() const { return Value(from_, kFlagFrom); }
    const char* GetTo() const { return Value(to_, kFlagTo); }
    const char* GetSubject() const { return Value(subject_, kFlagSubject); }
    const char* GetDate() const { return Value(date_, kFlagDate); }
    const char* GetAttachment() const { return Value(attachment_, kFlagAttachment); }
    const char* GetBody() const { return Value(body_, kFlagBody); }

    bool HasFrom() const { return (flags_ & kFlagFrom) != 0; }
    bool HasTo() const { return (flags_ & kFlagTo) != 0; }
    bool HasSubject() const { return (flags_ & kFlagSubject) != 0; }
    bool HasDate() const { return (flags_ & kFlagDate) != 0; }
    bool HasAttachment() const { return (flags_ & kFlagAttachment) != 0; }
    bool HasBody() const { return (flags_ & kFlagBody) != 0; }
    DWORD GetFlags() const { return flags_; }

private:
    const char* Value(const std::string& field, DWORD flag) const {
        return (flags_ & flag) ? field.c_str() : "";
    }
    bool ParseField(HeaderField label, std::string& field, DWORD flag);

    bool hasText_ = false;
    std::string text_;
    std::string from_;
    std::string to_;
    std::string subject_;
    std::string date_;
    std::string attachment_;
    std::string body_;
    DWORD flags_ = 0;
};
