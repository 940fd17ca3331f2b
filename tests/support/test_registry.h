// A registry for one test, behind one interface whichever registry it is, and the kinds of
// registry the parameterised suites run on. The platform's: natively the hive files of a fresh
// Wine prefix in a temporary folder (no files until the first write, as in a prefix nobody has
// used); in the Windows build the running system's registry, with every key the test made under
// KeyRoot() removed at the end.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <random>
#include <string>

#include "platform/registry.h"
#include "platform/registry_toolkit.h"

namespace regcorvex::test {

class TestRegistry {
 public:
  // The platform's registry for one test.
  static std::unique_ptr<TestRegistry> Create();
  virtual ~TestRegistry() = default;

  virtual platform::Registry& registry() = 0;
  // A key path of this test's own, the same in both roots.
  virtual const std::string& KeyRoot() const = 0;
  // Makes HKEY_LOCAL_MACHINE unwritable for this registry: write opens there then fail with
  // access denied while read-only opens succeed. False where that cannot be done (under Wine,
  // which runs every program with the right to write there); the tests that need it skip.
  virtual bool MakeMachineReadOnly() = 0;
};

// A key path "Software\\RegCorvexTest\\<unique>" that no other test of any process uses.
inline std::string UniqueTestKeyPath() {
  std::random_device random;
  return "Software\\RegCorvexTest\\" + std::to_string(random()) + "-" + std::to_string(random());
}

// A kind of registry a parameterised suite runs on: a name for the test's name, and a maker of
// a fresh registry of that kind for each test.
struct RegistryKind {
  std::string name;
  std::function<std::unique_ptr<TestRegistry>()> make;
};

std::string RegistryKindName(const ::testing::TestParamInfo<RegistryKind>& info);
inline void PrintTo(const RegistryKind& kind, std::ostream* out) { *out << kind.name; }

// The in-memory stand-in (a MemoryRegistry), with "Software\\RegCorvexTest\\0" as its key root.
RegistryKind MemoryRegistryKind();
// TestRegistry::Create().
RegistryKind PlatformRegistryKind();

}  // namespace regcorvex::test

namespace platform {
// For GoogleTest's messages: the type and the bytes.
void PrintTo(const RegistryValue& value, std::ostream* out);
}  // namespace platform
