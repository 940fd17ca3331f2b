// platform_probe.exe ACTION: prints what the Windows build's platform functions give, for the
// native tests to compare with the native stand-ins (run under Wine).
//   code-page          for each UTF-16 unit 0000-FFFF, then for each of platform_probe.h's
//                      texts of surrogates, one line: the bytes WideToAnsi gives, in hex
//   full-path FILE     for each line of FILE (8-bit text), one line: what GetFullPathNameA gives
//                      with a buffer of 260 characters, as platform_probe.h formats it
//   attributes FILE    for each line of FILE, one line: what GetFileAttributesA and FindFirstFileA
//                      give, as platform_probe.h formats it
#include <cstdio>
#include <fstream>
#include <string>

#include "platform/code_page.h"
#include "platform/file_system.h"
#include "tests/differential/platform_probe.h"

namespace {

void PrintCodePage() {
  for (unsigned unit = 0; unit <= 0xFFFF; ++unit) {
    const std::string bytes = platform::WideToAnsi(std::u16string(1, static_cast<char16_t>(unit)));
    std::puts(regcorvex::test::HexBytes(bytes).c_str());
  }
  for (const std::u16string& pair : regcorvex::test::ProbedSurrogateTexts()) {
    std::puts(regcorvex::test::HexBytes(platform::WideToAnsi(pair)).c_str());
  }
}

// Prints probe(file system, name) for each line of the file list.
template <typename Probe>
int PrintForEachName(const char* list, Probe probe) {
  std::ifstream names(list, std::ios::binary);
  if (!names) return 2;
  platform::FileSystem& file_system = platform::DefaultFileSystem();
  for (std::string name; std::getline(names, name);) {
    std::puts(probe(file_system, name).c_str());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string action = argc > 1 ? argv[1] : "";
  if (action == "code-page" && argc == 2) {
    PrintCodePage();
    return 0;
  }
  if (action == "full-path" && argc == 3) {
    return PrintForEachName(argv[2], regcorvex::test::ProbeFullPath);
  }
  if (action == "attributes" && argc == 3) {
    return PrintForEachName(argv[2], regcorvex::test::ProbeFileAttributes);
  }
  std::fputs("usage: platform_probe.exe code-page | full-path FILE | attributes FILE\n", stderr);
  return 1;
}
