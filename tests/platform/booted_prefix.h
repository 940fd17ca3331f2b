// Wine prefixes that Wine itself made, for the tests that check the hive files against Wine, and
// the small file helpers those tests share.
// wineboot runs once per build folder (about 15 s) into "wine-template" beside the test program,
// or $REGCORVEX_WINE_TEMPLATE names a prefix made beforehand; tests work on copies, never on it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "tests/support/wine_program.h"

namespace regcorvex::test {

// The booted template prefix, or nothing when Wine is not installed.
std::optional<std::filesystem::path> BootedTemplatePrefix();

// Makes prefix a copy of the template that Wine starts without booting again: its own hive files,
// drive C: shared with the template.
void CopyBootedPrefix(const std::filesystem::path& template_prefix,
                      const std::filesystem::path& prefix);

// The whole contents of a file; empty when it cannot be read.
std::string ReadWholeFile(const std::filesystem::path& path);

struct WineOutput {
  int status = -1;
  std::string text;  // standard output
};

// Runs one of Wine's own tools, `<loader> <arguments>`, in prefix (arguments are passed to the
// shell as they are) and waits until the prefix's wineserver has saved the registry and ended,
// each within a deadline (status -1 when the run did not end in time). The 64-bit loader starts
// at once; `wine` runs the 32-bit tools, which take minutes where 32-bit programs run emulated.
WineOutput RunWine(const std::filesystem::path& prefix, const std::string& arguments,
                   const std::string& loader = kWine64Loader);

}  // namespace regcorvex::test
