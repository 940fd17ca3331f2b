// Command lines and what each must import, in one file tree whose folders hold documents that
// import where they are: one table for the native program and for the Windows program under
// Wine, so that the two must look for the document in the same place. The rows keep the cases
// the command-line differential of the two builds (tests/differential) has found.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tests/e2e/import_cases.h"

namespace regcorvex::test {

// The folders of the tree below its root, in the ANSI code page. Each holds p.xml, which imports
// the string "Where" = the folder's name ("root" for the root), bad.xml, which cannot be parsed,
// and an empty setup.exe; the folder above the root holds p.xml with "Where" = "parent".
inline const std::vector<std::string> kTreeFolders = {"", "sub", "sub\\deeper", "space dir",
                                                      "caf\xe9"};

void WriteCommandLineTree(const std::filesystem::path& tree);

// A folder below the tree, given in the ANSI code page.
std::filesystem::path TreeFolder(const std::filesystem::path& tree, const std::string& folder);

struct CommandLineRow {
  const char* label;
  std::string folder;                  // the working folder below the tree
  std::vector<std::string> arguments;  // in the ANSI code page; "{tree}" is the tree's path
  std::vector<std::string> values;     // as ProductValues lists them
  std::vector<ExpectedBox> boxes;      // "{tree}" in a text is the Windows path of the tree
};

const std::vector<CommandLineRow>& CommandLineRows();

// The arguments with "{tree}" replaced by the Windows path of the tree.
std::vector<std::string> ExpandTree(const std::vector<std::string>& arguments,
                                    const std::string& tree);

// The parameters as Wine puts arguments into a Windows command line: an argument that is empty or
// holds a blank or tab is quoted, quotes are escaped with a backslash, and the backslashes before
// a quote (or the closing quote) are doubled.
std::string WineCommandLineTail(const std::vector<std::string>& arguments);

}  // namespace regcorvex::test
