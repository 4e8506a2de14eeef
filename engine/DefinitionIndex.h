// DefinitionIndexView: the lookups answered from the bytes of a compiled definition index, with
// every offset, count and state checked against the bytes before it is followed, so a truncated,
// corrupt or hostile index can give wrong answers at worst, never a read outside its bytes or an
// endless loop. Nothing here allocates or throws.
#pragma once

#include "engine/DefinitionIndexFormat.h"
#include "engine/WebAddress.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

class DefinitionIndexView {
public:
    // Miss and Hit answer the question; Damaged says the index broke its own rules while it was
    // read (the caller then answers from the definitions themselves).
    enum Answer { Miss, Hit, Damaged };

    // Checks the header (magic, version, sizes, its checksum) and that every section lies inside
    // size bytes, 8-byte aligned, with a whole number of elements. False, leaving view as it was,
    // for anything else. data must stay valid while view is used.
    static bool Open(const void* data, std::size_t size, DefinitionIndexView& view);

    const definition_index::SourceIdentity& Source() const { return header_->source; }

    // A host address entry equal to host (already lower-cased in ASCII).
    Answer HasIp(std::string_view host) const;
    // A HostLink or Link entry that matches the web address: its host is the address's host or a
    // parent of it, and its path is empty or a leading part of the address's path that ends at a
    // '/' (or the whole path).
    Answer MatchesWebAddress(const WebAddressParts& address) const;
    // The smallest list number (from 1) of an entry of the automaton's list that occurs in the
    // zero-terminated text; Hit with number set, or Miss with number untouched.
    Answer FirstEntryIn(definition_index::Automaton automaton, const char* text,
                        std::uint32_t& number) const;
    // A server name (lower-cased, no trailing dot) that an entry listing a whole host names or
    // lies under, or on which entries list pages while it is not a well-known site.
    Answer ListsHostName(std::string_view name) const;

    // The entries of a list, numbered from 1: the count, and one entry's text (false when number
    // is out of range or the entry does not lie inside the pool).
    std::uint32_t EntryCount(definition_index::List list) const;
    bool Entry(definition_index::List list, std::uint32_t number, std::string_view& text) const;
    // The visible text stored with Link entry number; empty when it has none. False as Entry.
    bool VisibleText(std::uint32_t number, std::string_view& text) const;

private:
    template <typename T> struct Array {
        const T* data = nullptr;
        std::uint64_t count = 0;
    };
    template <typename T> Array<T> Part(std::uint32_t section) const;
    bool Text(const definition_index::EntryRef* table, std::uint64_t count, std::uint64_t index,
              std::string_view& text) const;
    Answer InHashSet(std::uint32_t slotsSection, std::uint32_t tableSection,
                     std::string_view key) const;
    Answer HasWebKey(std::uint64_t key) const;
    template <typename Keys> Answer HasAnyWebKey(Keys&& keys) const;

    const unsigned char* base_ = nullptr;
    std::size_t size_ = 0;
    const definition_index::Header* header_ = nullptr;
};
