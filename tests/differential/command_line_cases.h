// Generated command lines for the differential of the two builds: from a seed, the parameters a
// user might give (quoting, "/IC" and "/IP" in every form and case, missing values, extra
// slashes, every form of path) and the folder they are given in, all within one file tree.
#pragma once

#include <string>
#include <vector>

#include "tests/e2e/command_line_rows.h"

namespace regcorvex::test {

struct CommandLineCase {
  std::string folder;                  // the working folder, below the tree ("" is its root)
  std::vector<std::string> arguments;  // in the ANSI code page, as a Unix shell passes them
};

// count cases from seed, in the folders of the tree that WriteCommandLineTree writes
// (tests/e2e/command_line_rows.h); tree is the Windows path of its root (no trailing backslash).
std::vector<CommandLineCase> GenerateCommandLines(unsigned seed, int count,
                                                  const std::string& tree);

}  // namespace regcorvex::test
