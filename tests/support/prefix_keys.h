// Where a run wrote in a Wine prefix, read straight from its hive files (user.reg, system.reg)
// rather than through the registry that wrote them.
#pragma once

#include <string>
#include <vector>

namespace regcorvex::test {

// Every key of the prefix's hives that lies outside key (a path below both roots; in the machine
// hive also below Software\Wow6432Node), as "HKCU\path" or "HKLM\path", names matched without
// regard to case. The keys above key are outside only when they hold values. A hive file that
// cannot be read or parsed gives one entry "<file>: <reason>"; a missing one gives none.
std::vector<std::string> KeysOutside(const std::string& prefix, const std::string& key);

}  // namespace regcorvex::test
