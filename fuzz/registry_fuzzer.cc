// The reader of Wine's hive files: any text either fails with FormatError or gives a hive that,
// saved and read again, is the same registry, and whose saved text saving does not change again.
// The reader that keeps values in the text, and the save that copies untouched keys, agree with
// the whole-model ones on the same text, before and after the same changes.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/posix/wine_registry/format.h"
#include "platform/posix/wine_registry/read.h"
#include "tests/support/hive_differential.h"

namespace {

using platform::wine_registry::Hive;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "registry round trip: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace reg = platform::wine_registry;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (const std::string difference = hive_differential::Compare(text); !difference.empty()) {
    std::fprintf(stderr, "%s\n", difference.c_str());
    Fail("the reader that keeps the text disagrees with the whole model");
  }
  Hive loaded;
  try {
    loaded = reg::ParseHive(text);
  } catch (const reg::FormatError&) {
    return 0;
  }
  const std::string saved = reg::FormatHive(loaded);
  Hive reloaded;
  try {
    reloaded = reg::ParseHive(saved);
  } catch (const reg::FormatError& error) {
    std::fprintf(stderr, "%s\n", error.what());
    Fail("the saved hive cannot be read");
  }
  if (loaded.relative_to != reloaded.relative_to || loaded.arch != reloaded.arch)
    Fail("the header changed");
  if (const std::string difference = hive_differential::SameTree(
          *loaded.root, *reloaded.root, hive_differential::kNoReadingTime, true);
      !difference.empty()) {
    std::fprintf(stderr, "%s\n", difference.c_str());
    Fail("the keys or values changed");
  }
  if (reg::FormatHive(reloaded) != saved) Fail("saving again changed the text");
  return 0;
}
