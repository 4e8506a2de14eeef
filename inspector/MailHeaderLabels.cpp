// The label table of the mail header lines: English, German, French, Spanish, Portuguese, Italian
// and Dutch, as Roundcube, Outlook and Gmail show them, in their case-folded form.
#include "inspector/MailHeaderLabels.h"

namespace {

using namespace std::string_view_literals;

struct HeaderLabel {
    HeaderField field;
    std::string_view word; // case-folded, without its ':'
};

// One table for every language; within a field the order is the search order. English comes
// first and keeps its order ("date" before "sent", "attachment" before "attachement"). The Copy
// rows give no field of their own: they are listed so that their labels are known when another
// field's label turns out to be the end of one of them.
constexpr HeaderLabel kLabels[] = {
    // English
    {HeaderField::From, "from"sv},
    {HeaderField::To, "to"sv},
    {HeaderField::Subject, "subject"sv},
    {HeaderField::Date, "date"sv},
    {HeaderField::Date, "sent"sv},
    {HeaderField::Attachment, "attachment"sv},
    {HeaderField::Attachment, "attachement"sv},
    {HeaderField::Attachment, "attachments"sv},
    {HeaderField::Copy, "cc"sv},
    {HeaderField::Copy, "bcc"sv},
    // German
    {HeaderField::From, "von"sv},
    {HeaderField::To, "an"sv},
    {HeaderField::Subject, "betreff"sv},
    {HeaderField::Date, "datum"sv},
    {HeaderField::Date, "gesendet"sv},
    {HeaderField::Attachment, "anhang"sv},
    {HeaderField::Attachment, "anhänge"sv},
    {HeaderField::Copy, "kopie"sv},
    {HeaderField::Copy, "blindkopie"sv},
    // French (and "de" for Spanish and Portuguese too)
    {HeaderField::From, "de"sv},
    {HeaderField::From, "expéditeur"sv},
    {HeaderField::To, "à"sv},
    {HeaderField::To, "destinataire"sv},
    {HeaderField::Subject, "objet"sv},
    {HeaderField::Subject, "sujet"sv},
    {HeaderField::Date, "envoyé"sv},
    {HeaderField::Attachment, "pièce jointe"sv},
    {HeaderField::Attachment, "pièces jointes"sv},
    {HeaderField::Copy, "cci"sv},
    // Spanish
    {HeaderField::From, "remitente"sv},
    {HeaderField::To, "para"sv},
    {HeaderField::To, "destinatario"sv},
    {HeaderField::Subject, "asunto"sv},
    {HeaderField::Date, "fecha"sv},
    {HeaderField::Date, "enviado"sv},
    {HeaderField::Attachment, "adjunto"sv},
    {HeaderField::Attachment, "adjuntos"sv},
    {HeaderField::Attachment, "archivo adjunto"sv},
    {HeaderField::Attachment, "archivos adjuntos"sv},
    {HeaderField::Copy, "cco"sv},
    // Portuguese
    {HeaderField::From, "remetente"sv},
    {HeaderField::Subject, "assunto"sv},
    {HeaderField::Date, "data"sv},
    {HeaderField::Date, "enviada"sv},
    {HeaderField::Attachment, "anexo"sv},
    {HeaderField::Attachment, "anexos"sv},
    {HeaderField::Copy, "cópia"sv},
    {HeaderField::Copy, "cópia oculta"sv},
    // Italian
    {HeaderField::From, "mittente"sv},
    {HeaderField::Subject, "oggetto"sv},
    {HeaderField::Date, "inviato"sv},
    {HeaderField::Date, "inviata"sv},
    {HeaderField::Attachment, "allegato"sv},
    {HeaderField::Attachment, "allegati"sv},
    {HeaderField::Copy, "ccn"sv},
    // Dutch
    {HeaderField::From, "afzender"sv},
    {HeaderField::From, "van"sv},
    {HeaderField::To, "ontvanger"sv},
    {HeaderField::To, "aan"sv},
    {HeaderField::Subject, "onderwerp"sv},
    {HeaderField::Date, "verzonden"sv},
    {HeaderField::Attachment, "bijlage"sv},
    {HeaderField::Attachment, "bijlagen"sv},
};

// The longest label of the table that ends where the label word at line[at] ends and begins
// before it ("van" for the "an" of "van"); null when none does.
const HeaderLabel* LongerLabelAround(std::string_view line, std::size_t at,
                                     const HeaderLabel& label, std::size_t& start) {
    const HeaderLabel* longest = nullptr;
    for (const HeaderLabel& other : kLabels) {
        if (other.word.size() <= label.word.size() ||
            (longest && other.word.size() <= longest->word.size()))
            continue;
        const std::size_t extra = other.word.size() - label.word.size();
        if (at >= extra && line.substr(at - extra, other.word.size()) == other.word) {
            longest = &other;
            start = at - extra;
        }
    }
    return longest;
}

// The first occurrence of the label word followed by suffix (":" or " :"), npos when there is
// none. An occurrence inside a longer label of another field does not count; inside a longer
// label of the same field ("an" in "aan") it is that label, from its start.
std::size_t FindLabel(std::string_view line, const HeaderLabel& label, std::string_view suffix) {
    for (std::size_t at = line.find(label.word); at != std::string_view::npos;
         at = line.find(label.word, at + 1)) {
        if (line.substr(at + label.word.size(), suffix.size()) != suffix)
            continue;
        std::size_t start = at;
        const HeaderLabel* longer = LongerLabelAround(line, at, label, start);
        if (!longer || longer->field == label.field)
            return start;
    }
    return std::string_view::npos;
}

} // namespace

std::size_t FindHeaderLabel(std::string_view line, HeaderField field) {
    for (const HeaderLabel& label : kLabels) {
        if (label.field != field)
            continue;
        for (std::string_view suffix : {":"sv, " :"sv}) {
            const std::size_t at = FindLabel(line, label, suffix);
            if (at != std::string_view::npos)
                return at;
        }
    }
    return std::string_view::npos;
}
