// differential_runner FOLDER LIST RESULTS
// Imports, with this build's import, every document named in the file LIST (one bare file name a
// line, the files in FOLDER, which becomes the current folder) and writes what each import left
// into RESULTS, in a form that the runner of the other build writes alike, so that the two files
// can be compared line by line:
//   document NAME / value LINE... / box CAPTION, then "| LINE" per text line / end
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "platform/application.h"
#include "tests/differential/document_run.h"
#include "tests/differential/run_comparison.h"

namespace regcorvex::test {
namespace {

std::string Format(const std::string& name, const DocumentRun& run) {
  std::string out = "document " + name + "\n";
  for (const std::string& line : RunLines(run)) out += line + "\n";
  return out + "end\n";
}

int Run(const std::string& folder, const std::string& list, const std::string& results) {
  std::ifstream names(list, std::ios::binary);
  std::ofstream out(results, std::ios::binary);
  if (!names || !out) {
    std::cerr << "differential_runner: cannot open " << (names ? results : list) << "\n";
    return 1;
  }
  std::error_code error;
  std::filesystem::current_path(folder, error);
  if (error) {
    std::cerr << "differential_runner: cannot enter " << folder << "\n";
    return 1;
  }
  // MSXML is reached through COM, as in the program's own run.
  platform::DefaultApplication().CoInitialize();
  for (std::string name; std::getline(names, name);) {
    if (!name.empty() && name.back() == '\r') name.pop_back();
    if (name.empty()) continue;
    out << Format(name, ImportDocument(name)) << std::flush;
  }
  return out ? 0 : 1;
}

}  // namespace
}  // namespace regcorvex::test

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: differential_runner FOLDER LIST RESULTS\n";
    return 1;
  }
  try {
    return regcorvex::test::Run(argv[1], argv[2], argv[3]);
  } catch (const std::exception& e) {
    std::cerr << "differential_runner: " << e.what() << "\n";
    return 1;
  }
}
