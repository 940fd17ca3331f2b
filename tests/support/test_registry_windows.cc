// The real registry: the test's keys under KeyRoot() are removed from both roots at the end.
#include <vector>

#include "platform/unique_hkey.h"
#include "tests/support/test_registry.h"

namespace regcorvex::test {
namespace {

using platform::Hkey;

// Deletes sub_key of parent with everything below it; a missing key is not an error.
void DeleteTree(platform::Registry& registry, Hkey parent, const std::string& sub_key) {
  Hkey raw = platform::kNoKey;
  if (registry.RegOpenKeyExA(parent, sub_key.c_str(), 0, platform::kKeyAllAccess, &raw) !=
      platform::kErrorSuccess) {
    return;
  }
  const platform::UniqueHkey key = platform::MakeUniqueHkey(registry, raw);
  std::vector<std::string> children;
  for (platform::Dword index = 0;; ++index) {
    char name[512];  // Wine holds names one character longer than Windows
    platform::Dword size = sizeof(name);
    if (registry.RegEnumKeyExA(key.get(), index, name, &size) != platform::kErrorSuccess) break;
    children.emplace_back(name, size);
  }
  for (const std::string& child : children) DeleteTree(registry, key.get(), child);
  registry.RegDeleteKeyA(parent, sub_key.c_str());
}

class WindowsTestRegistry final : public TestRegistry {
 public:
  ~WindowsTestRegistry() override {
    for (const Hkey root : {platform::kHkeyCurrentUser, platform::kHkeyLocalMachine}) {
      DeleteTree(registry(), root, key_root_);
      // The shared parent goes too once no other test uses it; RegDeleteKeyA keeps it otherwise.
      registry().RegDeleteKeyA(root, "Software\\RegCorvexTest");
    }
  }
  platform::Registry& registry() override { return platform::DefaultRegistry(); }
  const std::string& KeyRoot() const override { return key_root_; }
  bool MakeMachineReadOnly() override { return false; }

 private:
  const std::string key_root_ = UniqueTestKeyPath();
};

}  // namespace

std::unique_ptr<TestRegistry> TestRegistry::Create() {
  return std::make_unique<WindowsTestRegistry>();
}

}  // namespace regcorvex::test
