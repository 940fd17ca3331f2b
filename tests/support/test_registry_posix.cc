// A fresh, empty Wine prefix in a temporary folder, removed with the test.
#include "platform/posix/wine_registry/registry.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_registry.h"

namespace regcorvex::test {
namespace {

class PrefixTestRegistry final : public TestRegistry {
 public:
  PrefixTestRegistry() : registry_(platform::OpenWinePrefixRegistry(prefix_.path() / "prefix")) {}

  platform::Registry& registry() override { return *registry_; }
  const std::string& KeyRoot() const override { return key_root_; }
  bool MakeMachineReadOnly() override {
    registry_->DenyMachineWrites();
    return true;
  }

 private:
  TempDir prefix_;
  std::unique_ptr<platform::WinePrefixRegistry> registry_;
  const std::string key_root_ = UniqueTestKeyPath();
};

}  // namespace

std::unique_ptr<TestRegistry> TestRegistry::Create() {
  return std::make_unique<PrefixTestRegistry>();
}

}  // namespace regcorvex::test
