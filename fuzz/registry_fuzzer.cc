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
#include <utility>
#include <vector>

#include "platform/posix/wine_registry/format.h"
#include "tests/support/hive_differential.h"

namespace {

using platform::wine_registry::Hive;
using platform::wine_registry::Key;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "registry round trip: %s\n", what);
  std::abort();
}

// Whether the file shows the key with its own line, and so keeps its stamp.
bool Written(const Key& key) {
  return !key.values().empty() || key.subkeys().empty() || key.class_name || key.link;
}

// Iterative, so that a deep key path cannot exhaust the stack here rather than in the reader.
bool SameTree(const Key& first, const Key& second) {
  std::vector<std::pair<const Key*, const Key*>> pending{{&first, &second}};
  while (!pending.empty()) {
    const auto [a, b] = pending.back();
    pending.pop_back();
    if (a->name() != b->name() || a->class_name != b->class_name || a->link != b->link ||
        (Written(*a) && a->modified != b->modified) || a->values().size() != b->values().size() ||
        a->subkeys().size() != b->subkeys().size()) {
      return false;
    }
    for (auto x = a->values().begin(), y = b->values().begin(); x != a->values().end(); ++x, ++y) {
      if (x->name != y->name || x->type != y->type || x->data != y->data) {
        return false;
      }
    }
    for (auto x = a->subkeys().begin(), y = b->subkeys().begin(); x != a->subkeys().end();
         ++x, ++y) {
      if (x->first != y->first) return false;
      pending.emplace_back(x->second.get(), y->second.get());
    }
  }
  return true;
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
  if (!SameTree(*loaded.root, *reloaded.root)) Fail("the keys or values changed");
  if (reg::FormatHive(reloaded) != saved) Fail("saving again changed the text");
  return 0;
}
