// The line walks of the mail header parser.
#include "inspector/MailHeaderParser.h"

#include "inspector/MailHeaderLabels.h"
#include "platform/CaseFold.h"
#include "platform/TextTrim.h"

using namespace hookwise::platform;

namespace {

// The search for one field across the lines of the text.
struct FieldWalk {
    HeaderField field;
    bool found = false;
    std::size_t valueStart = 0;

    // Looks for the field's labels in the trimmed line text[begin, end).
    void Scan(std::string_view text, std::size_t begin, std::size_t end) {
        if (found)
            return;
        std::string_view line = text.substr(begin, end - begin);
        const std::size_t at = FindHeaderLabel(line, field);
        if (at == std::string_view::npos)
            return;
        found = true;
        // A label that starts the line gives the text after the line's first ':'; one inside
        // the line gives the text from the label itself.
        valueStart = at == 0 ? begin + line.find(':') + 1 : begin + at;
    }
};

// Runs the line walk until every walk has found its label or the text ends.
void WalkLines(std::string_view text, FieldWalk* walks, std::size_t walkCount) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t lineFeed = text.find('\n', pos);
        const std::size_t lineEnd = lineFeed == std::string_view::npos ? text.size() : lineFeed;
        // The line without the spaces (only the space character) at its ends.
        const std::string_view line = Trim(text.substr(pos, lineEnd - pos), " ");
        const auto begin = static_cast<std::size_t>(line.data() - text.data());
        const std::size_t end = begin + line.size();
        bool allFound = true;
        for (std::size_t i = 0; i < walkCount; ++i) {
            walks[i].Scan(text, begin, end);
            allFound = allFound && walks[i].found;
        }
        if (allFound || lineFeed == std::string_view::npos)
            return;
        pos = lineFeed + 1;
    }
}

// The value that starts at valueStart: up to the carriage return that ends its line, or to the
// line feed or the end of the text when the line has no carriage return; spaces trimmed.
std::string CutValue(std::string_view text, std::size_t valueStart) {
    std::size_t end = text.find_first_of("\r\n", valueStart);
    if (end == std::string_view::npos)
        end = text.size();
    return std::string(Trim(text.substr(valueStart, end - valueStart), " "));
}

} // namespace

void MailHeaderParser::SetText(const char* text) {
    from_.clear();
    to_.clear();
    subject_.clear();
    date_.clear();
    attachment_.clear();
    body_.clear();
    flags_ = 0;
    hasText_ = text != nullptr;
    text_ = FoldCase(text ? text : "");
}

bool MailHeaderParser::ParseFromTo() {
    if (!hasText_)
        return false;
    FieldWalk walks[] = {{HeaderField::From}, {HeaderField::To}};
    WalkLines(text_, walks, std::size(walks));
    if (!walks[0].found)
        return false;
    if (!walks[1].found) {
        // Mail to hidden recipients ("To: Undisclosed recipients:;") shows no To line: a From line
        // with a Subject or a Date line is a mail as well, with an empty to field.
        FieldWalk others[] = {{HeaderField::Subject}, {HeaderField::Date}};
        WalkLines(text_, others, std::size(others));
        if (!others[0].found && !others[1].found)
            return false;
        from_ = CutValue(text_, walks[0].valueStart);
        flags_ |= kFlagFrom;
        return true;
    }
    from_ = CutValue(text_, walks[0].valueStart);
    to_ = CutValue(text_, walks[1].valueStart);
    flags_ |= kFlagFrom | kFlagTo;
    return true;
}

void MailHeaderParser::ParseAll() {
    if (!hasText_)
        return;
    ParseSubject();
    ParseDate();
    ParseAttachment();
    TakeBody();
}

bool MailHeaderParser::ParseField(HeaderField label, std::string& field, DWORD flag) {
    if (!hasText_)
        return false;
    FieldWalk walk{label};
    WalkLines(text_, &walk, 1);
    if (!walk.found)
        return false;
    field = CutValue(text_, walk.valueStart);
    flags_ |= flag;
    return true;
}

bool MailHeaderParser::ParseSubject() {
    return ParseField(HeaderField::Subject, subject_, kFlagSubject);
}

bool MailHeaderParser::ParseDate() {
    return ParseField(HeaderField::Date, date_, kFlagDate);
}

bool MailHeaderParser::ParseAttachment() {
    return ParseField(HeaderField::Attachment, attachment_, kFlagAttachment);
}

void MailHeaderParser::TakeBody() {
    if (!hasText_)
        return;
    body_ = text_;
    flags_ |= kFlagBody;
}

void MailHeaderParser::SetHtml(const char* html) {
    body_ = FoldCase(html ? html : "");
}
