// Compiler: turns plain definition lists into the shipped definition file, and proves the result by
// reading every entry back the way the program and the engine will.
#pragma once

#include "tools/hkwdefs/DefinitionSet.h"

#include <functional>
#include <string>
#include <string_view>

namespace hookwise::tools {

// Why the profile reader would not give plain back after it is scrambled and stored as a section
// name, key name or value on its own INI line; "" when it would. The faults: a character whose
// scrambled byte is 0 (dropped by the scrambling), 0xBB or 0xBD (read back as ';' or '='), CR or
// LF (a line break); a scrambled text with blanks at its ends, in matching quotes (value), starting
// with '[' or ';' or holding '=' (key name), holding ']' (section name).
enum class ScrambledField { SectionName, KeyName, Value };
std::string ScrambleFault(std::string_view plain, ScrambledField field);

// The working copy's definition text for set: "[section]" and "key=value" lines, every name and
// value scrambled, CR LF line ends, in the order of set.
std::string ScrambledDefinitionText(const DefinitionSet& set);

// The checks of CompileDefinitions that need no file: the version, the list rules and every
// scrambled field. Returns false and adds one message per fault.
bool CheckDefinitions(const DefinitionSet& set, std::string_view version, Messages& errors);

// Builds the shipped file for set and version. Checks the version, the list rules and every
// scrambled field; then deciphers the result as the program's start-up does and reads every entry
// back through the engine's profile read (from a temporary working copy), checking that each list
// ends where the set ends and that the deciphered header line hides no section. Returns false, with
// shipped untouched and one message per fault naming the entry, when any check fails.
// progress, when given, is told the share of the work done, 0 to 100.
using CompileProgress = std::function<void(int percent)>;
bool CompileDefinitions(const DefinitionSet& set, std::string_view version, std::string& shipped,
                        Messages& errors, const CompileProgress& progress = {});

// The read-back half of CompileDefinitions, on finished file bytes; progress as there, from
// first to 100.
bool VerifyShippedFile(std::string_view shipped, const DefinitionSet& set, Messages& errors,
                       const CompileProgress& progress = {}, int first = 0);

} // namespace hookwise::tools
