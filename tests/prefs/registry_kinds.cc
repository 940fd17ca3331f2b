// The registries the suites run on.
#include "tests/prefs/registry_fixture.h"
#include "tests/support/memory_registry.h"
#include "tests/support/test_registry.h"

namespace regcorvex::testing {
namespace {

class MemoryProvider final : public RegistryProvider {
 public:
  platform::Registry& registry() override { return registry_; }
  const std::string& KeyRoot() const override { return key_root_; }
  bool MakeMachineReadOnly() override {
    registry_.SetReadOnly(platform::kHkeyLocalMachine, true);
    return true;
  }

 private:
  MemoryRegistry registry_;
  std::string key_root_ = "Software\\RegCorvexTest\\0";
};

// The platform's registry for tests: the Wine prefix's hive files natively, the system's registry
// in the Windows build.
class PlatformProvider final : public RegistryProvider {
 public:
  platform::Registry& registry() override { return registry_->registry(); }
  const std::string& KeyRoot() const override { return registry_->KeyRoot(); }
  bool MakeMachineReadOnly() override { return registry_->MakeMachineReadOnly(); }

 private:
  std::unique_ptr<TestRegistry> registry_ = TestRegistry::Create();
};

}  // namespace

RegistryKind MemoryRegistryKind() {
  return {"Memory", [] { return std::make_unique<MemoryProvider>(); }};
}

std::vector<RegistryKind> AllRegistryKinds() {
  return {MemoryRegistryKind(), {"Platform", [] { return std::make_unique<PlatformProvider>(); }}};
}

}  // namespace regcorvex::testing
