// A registry for one test. Natively: the hive files of a fresh Wine prefix in a temporary folder
// (no files until the first write, as in a prefix nobody has used). In the Windows build: the
// running system's registry, with every key the test made under KeyRoot() removed at the end.
#pragma once

#include <memory>
#include <random>
#include <string>

#include "platform/registry.h"

namespace regcorvex::testing {

class TestRegistry {
 public:
  static std::unique_ptr<TestRegistry> Create();
  virtual ~TestRegistry() = default;

  virtual platform::Registry& registry() = 0;
  // A key path unique to this test ("Software\\RegCorvexTest\\<unique>"), used in both roots.
  virtual const std::string& KeyRoot() const = 0;
  // Makes HKEY_LOCAL_MACHINE unwritable for this registry: write opens there then fail with
  // access denied while read-only opens succeed. False where that cannot be done (under Wine,
  // which runs every program with the right to write there).
  virtual bool MakeMachineReadOnly() = 0;
};

// A key path "Software\\RegCorvexTest\\<unique>" that no other test of any process uses.
inline std::string UniqueTestKeyPath() {
  std::random_device random;
  return "Software\\RegCorvexTest\\" + std::to_string(random()) + "-" + std::to_string(random());
}

}  // namespace regcorvex::testing
