// Writes the benchmark's files for one value count into a folder: document-<count>.xml (and the
// same document on one line, document-<count>-oneline.xml),
// seed-<count>.reg (the machine hive's values before the import) and peer-<count>.reg (what
// `wine reg import` gets to write the same values).
//   make_documents <count> <folder>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/document_set.h"

namespace {

bool WriteFile(const std::filesystem::path& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary);
  file << text;
  file.close();
  if (file) return true;
  std::fprintf(stderr, "make_documents: cannot write %s\n", path.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || std::atoi(argv[1]) <= 0) {
    std::fprintf(stderr, "usage: make_documents <count> <folder>\n");
    return 2;
  }
  const int count = std::atoi(argv[1]);
  const std::filesystem::path folder = argv[2];
  const std::string suffix = "-" + std::to_string(count);
  using regcorvex::bench::DocumentXml, regcorvex::bench::EquivalentReg,
      regcorvex::bench::MachineSeedReg, regcorvex::bench::OneLine;
  const std::string document = DocumentXml(count);
  const bool written =
      WriteFile(folder / ("document" + suffix + ".xml"), document) &&
      WriteFile(folder / ("document" + suffix + "-oneline.xml"), OneLine(document)) &&
      WriteFile(folder / ("seed" + suffix + ".reg"), MachineSeedReg(count)) &&
      WriteFile(folder / ("peer" + suffix + ".reg"), EquivalentReg(count));
  return written ? 0 : 1;
}
