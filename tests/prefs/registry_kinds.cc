// The registries the suites run on.
#include "tests/prefs/registry_fixture.h"
#include "tests/support/memory_registry.h"

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

}  // namespace

RegistryKind MemoryRegistryKind() {
  return {"Memory", [] { return std::make_unique<MemoryProvider>(); }};
}

std::vector<RegistryKind> AllRegistryKinds() { return {MemoryRegistryKind()}; }

}  // namespace regcorvex::testing
