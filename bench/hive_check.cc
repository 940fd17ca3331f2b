// hive_check FILE...: checks each hive file with the reader that keeps values in the text
// against the whole-model reader and writer (same keys and values, and the same bytes before and
// after the same changes). Prints one line a file; fails when any differs.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/hive_differential.h"

int main(int argc, char** argv) {
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    std::ifstream file(argv[i], std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    if (!file) {
      std::fprintf(stderr, "%s: cannot be read\n", argv[i]);
      status = 1;
      continue;
    }
    const std::string difference = hive_differential::Compare(text.str());
    std::fprintf(difference.empty() ? stdout : stderr, "%s: %s (%zu bytes)\n", argv[i],
                 difference.empty() ? "the readers agree" : difference.c_str(), text.str().size());
    if (!difference.empty()) status = 1;
  }
  return status;
}
