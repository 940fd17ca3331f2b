// The version resource reader: the input is read as a PE or ELF file, and also as a bare
// VS_VERSIONINFO tree carried in the native program's ELF section. Whatever resource is found
// is filled into a block and queried as the program queries it; every answer must lie inside the
// block.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "platform/posix/version_block.h"
#include "tests/common/version_fixture.h"

namespace {

void CheckInside(const std::vector<std::uint8_t>& block, const void* value, unsigned length) {
  const auto* start = static_cast<const std::uint8_t*>(value);
  if (start < block.data() || start + length > block.data() + block.size()) {
    std::fprintf(stderr, "version query: answer outside the block\n");
    std::abort();
  }
}

// Queries the block for what the program reads, and for each language the block lists.
void QueryResource(std::span<const std::uint8_t> resource) {
  std::vector<std::uint8_t> block(platform::VersionBlockSize(resource));
  platform::FillVersionBlock(resource, block);
  std::vector<std::string> paths = {"\\", "\\VarFileInfo\\Translation",
                                    "\\StringFileInfo\\040904E4\\ProductName",
                                    "StringFileInfo\\\\040904b0\\FileVersion\\"};
  void* value = nullptr;
  unsigned length = 0;
  if (platform::QueryVersionBlock(block.data(), "\\VarFileInfo\\Translation", &value, &length)) {
    CheckInside(block, value, length);
    const auto* pairs = static_cast<const std::uint8_t*>(value);
    for (unsigned i = 0; i + 4 <= length && i < 64; i += 4) {
      char name[64];
      std::snprintf(name, sizeof name, "\\StringFileInfo\\%02x%02x%02x%02x\\ProductName",
                    pairs[i + 1], pairs[i], pairs[i + 3], pairs[i + 2]);
      paths.emplace_back(name);
    }
  }
  for (const std::string& path : paths) {
    if (platform::QueryVersionBlock(block.data(), path.c_str(), &value, &length))
      CheckInside(block, value, length);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> file(data, size);
  if (const auto resource = platform::FindVersionResource(file)) QueryResource(*resource);
  const std::string elf = regcorvex::test::ElfWithSection(
      platform::kElfVersionSection, std::string(reinterpret_cast<const char*>(data), size));
  const std::span<const std::uint8_t> wrapped(reinterpret_cast<const std::uint8_t*>(elf.data()),
                                              elf.size());
  if (const auto resource = platform::FindVersionResource(wrapped)) QueryResource(*resource);
  return 0;
}
