// compare_results NATIVE WINDOWS [FOLDER]
// Compares what differential_runner wrote for the native build and for the Windows build under
// Wine, document by document, as run_comparison.h says. Prints each divergence (with the
// document's bytes when FOLDER is given) and a summary line; exits 1 when any document diverged
// or has no result from the Windows build, or when there were none.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "tests/differential/run_comparison.h"

namespace {

struct Results {
  std::vector<std::string> order;
  std::map<std::string, std::vector<std::string>> lines;
};

Results Read(const char* path) {
  Results results;
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string>* run = nullptr;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("document ", 0) == 0) {
      results.order.push_back(line.substr(9));
      run = &results.lines[results.order.back()];
    } else if (line == "end") {
      run = nullptr;
    } else if (run != nullptr) {
      run->push_back(line);
    }
  }
  return results;
}

// Bytes outside printable ASCII as \xNN, so that any document prints on one line.
std::string Escaped(const std::string& bytes) {
  std::string out;
  for (const unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char escape[8];
      std::snprintf(escape, sizeof(escape), "\\x%02x", c);
      out += escape;
    }
  }
  return out;
}

void Print(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) std::cout << line << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::cerr << "usage: compare_results NATIVE WINDOWS [FOLDER]\n";
    return 2;
  }
  const Results native = Read(argv[1]);
  const Results windows = Read(argv[2]);
  int failed = 0;
  for (const std::string& name : native.order) {
    const auto found = windows.lines.find(name);
    if (found == windows.lines.end()) {
      ++failed;
      std::cout << name << ": no result from the Windows build\n";
      continue;
    }
    if (regcorvex::test::SameRunLines(native.lines.at(name), found->second)) continue;
    ++failed;
    std::cout << "=== " << name << " diverges\n--- native build\n";
    Print(native.lines.at(name));
    std::cout << "--- Windows build under Wine\n";
    Print(found->second);
    if (argc == 4) {
      std::ifstream document(std::string(argv[3]) + "/" + name, std::ios::binary);
      std::cout << "--- document (bytes)\n"
                << Escaped({std::istreambuf_iterator<char>(document), {}}) << "\n";
    }
  }
  const auto passed = static_cast<int>(native.order.size()) - failed;
  std::cout << "differential: " << passed << " passed, " << failed << " failed\n";
  return failed == 0 && !native.order.empty() ? 0 : 1;
}
