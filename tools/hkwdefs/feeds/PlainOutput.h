// PlainOutput: the plain definitions source an import writes, which hkwdefs compile takes: the
// merged file's sections and entries as they were, the imported web addresses appended to
// [HostLink] as HLINK<n> and the senders to [From] as FROM<n>.
#pragma once

#include "tools/hkwdefs/DefinitionSet.h"
#include "tools/hkwdefs/feeds/FeedImport.h"

#include <string>
#include <string_view>

namespace hookwise::tools {

// The text: comment (each of its lines after "; ") when not empty, then every section of base in
// order with its entries as they stand; the new entries of imported follow the last entry of
// their section, numbered on from the highest index there, and a section base lacks comes after
// the others. LF line ends; values quoted where the INI reader would change them.
std::string FormatImportedDefinitions(const DefinitionSet& base,
                                      const ImportedDefinitions& imported,
                                      std::string_view comment);

// Writes that text to path whole or not at all (a temporary file renamed over path). False, with
// "path: reason" in error, when it cannot be written; path is untouched then.
bool WriteImportedDefinitions(const std::string& path, const DefinitionSet& base,
                              const ImportedDefinitions& imported, std::string_view comment,
                              std::string& error);

} // namespace hookwise::tools
