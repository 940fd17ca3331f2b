// Build tool: extract_version_block <file.res> <out.bin> writes the version resource of a
// compiled resource file as raw bytes, for the native program's ELF section.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "resources/version_res.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: extract_version_block <file.res> <out.bin>\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  const std::vector<std::uint8_t> res{std::istreambuf_iterator<char>(in),
                                      std::istreambuf_iterator<char>()};
  const auto block = regcorvex::ExtractVersionResource(res);
  if (!in || !block) {
    std::fprintf(stderr, "extract_version_block: no version resource in %s\n", argv[1]);
    return 1;
  }
  std::ofstream out(argv[2], std::ios::binary);
  out.write(reinterpret_cast<const char*>(block->data()),
            static_cast<std::streamsize>(block->size()));
  if (!out.flush()) {
    std::fprintf(stderr, "extract_version_block: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
