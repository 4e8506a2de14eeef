// Decompiler: reads the definition lists back out of a working copy and writes them as plain INI.
#pragma once

#include "tools/hkwdefs/DefinitionSet.h"

#include <string>
#include <string_view>

namespace hookwise::tools {

// Reads every section and key of a working copy's text (the deciphered shipped file, first line
// included) by the profile reader's rules and unscrambles the names and values; a value is cut at
// its first zero byte, as the engine's read cuts it. What the reader never returns is left out,
// with a warning: keys of a repeated section, repeated keys, lines without '='. Keys before the
// first section (the deciphered header line may form one) are left out silently, and so are
// sections without keys. Returns false, with one message per fault, when an unscrambled name or
// value cannot be written to a plain INI line (a line break or zero byte in it, a key name that
// starts with '[' or ';' or holds '=', a section name that holds ']', blanks at a name's ends).
bool DecompileWorkingCopy(std::string_view working, DefinitionSet& set, Messages& errors,
                          Messages& warnings);

// Checks the definition text of a deciphered shipped file (everything after its first line): each
// line must be a section header or a "key=value" line whose unscrambled names are a definitions
// section and a key of its lists, and no zero byte may occur. A wrong key or damaged blocks give
// random bytes that break this almost always. False with the first damaged line in error.
bool CheckShippedContent(std::string_view working, std::string& error);

// The plain INI text of set: a comment line with the version when one is given, then each section
// and its "KEY=value" lines (quoted where the value needs it), LF line ends.
std::string FormatPlainDefinitions(const DefinitionSet& set, std::string_view version);

} // namespace hookwise::tools
