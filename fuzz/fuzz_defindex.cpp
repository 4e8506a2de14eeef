// Fuzzes the definition index reader: the input is taken as an index file (with its header's own
// file size and checksum put right, so mutations reach the sections), opened and asked every kind
// of lookup with fixed texts and with texts from the input's last bytes. Nothing may read outside
// the input or loop without end.
#include "engine/DefinitionIndex.h"
#include "engine/WebAddress.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace definition_index;

void Ask(const DefinitionIndexView& index, const std::string& text) {
    std::uint32_t number = 0;
    index.HasIp(text);
    WebAddressParts address;
    if (ParseWebAddress(text, address))
        index.MatchesWebAddress(address);
    index.ListsHostName(text);
    for (std::uint32_t a = 0; a < kAutomatonCount; ++a) {
        if (index.FirstEntryIn(static_cast<Automaton>(a), text.c_str(), number) ==
            DefinitionIndexView::Hit) {
            std::string_view entry;
            index.Entry(a == LinkAutomaton ? Link : static_cast<List>(From + a), number, entry);
        }
    }
    for (std::uint32_t list = 0; list < kListCount; ++list) {
        std::uint32_t count = index.EntryCount(static_cast<List>(list));
        std::string_view entry;
        for (std::uint32_t n = 0; n <= count && n < 64; ++n)
            index.Entry(static_cast<List>(list), n, entry);
    }
    std::string_view visible;
    index.VisibleText(1, visible);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An aligned copy, as a mapping is; the header's checks of itself are put right.
    std::vector<std::uint64_t> words(size / 8 + 1);
    std::memcpy(words.data(), data, size);
    if (size >= sizeof(Header)) {
        Header header;
        std::memcpy(&header, words.data(), sizeof header);
        header.fileSize = size;
        header.headerChecksum = HeaderChecksum(header);
        std::memcpy(words.data(), &header, sizeof header);
    }
    DefinitionIndexView index;
    if (!DefinitionIndexView::Open(words.data(), size, index))
        return 0;
    static const char* const kTexts[] = {"",
                                         "a",
                                         "10.0.0.1",
                                         "phish.example/login",
                                         "www.evil.example",
                                         "confirm your password",
                                         "\xff\xfe\x80",
                                         "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"};
    for (const char* text : kTexts)
        Ask(index, text);
    std::size_t tail = size < 48 ? size : 48;
    std::string fromInput(reinterpret_cast<const char*>(data + size - tail), tail);
    fromInput = fromInput.substr(0, fromInput.find('\0'));
    Ask(index, fromInput);
    return 0;
}
