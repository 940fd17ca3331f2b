// The benchmark's documents, made deterministically from a value count: values spread over the
// three scopes, the category table (and values directly under a scope, and a category the table
// does not know), every type; a machine hive that already holds some of the per-user values, half
// of them equal and half different; and a .reg file that leaves the registry as the import does.
#pragma once

#include <string>

namespace regcorvex::bench {

// The configuration document.
std::string DocumentXml(int count);

// The same document written on one line: every line break and the indentation after it removed.
std::string OneLine(const std::string& document);

// REGEDIT4 text that puts into the machine hive (imported in its 32-bit view) the per-user
// values it already holds before an import.
std::string MachineSeedReg(int count);

// REGEDIT4 text whose import into a seeded prefix writes what the document's import writes: every
// value, except the per-user values that the machine hive already holds with the same data.
std::string EquivalentReg(int count);

}  // namespace regcorvex::bench
