// The registries the parameterised suites run on.
#include "tests/support/memory_registry.h"
#include "tests/support/test_registry.h"

namespace regcorvex::test {
namespace {

class MemoryTestRegistry final : public TestRegistry {
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

std::string RegistryKindName(const ::testing::TestParamInfo<RegistryKind>& info) {
  return info.param.name;
}

RegistryKind MemoryRegistryKind() {
  return {"Memory", [] { return std::make_unique<MemoryTestRegistry>(); }};
}

RegistryKind PlatformRegistryKind() {
  return {"Platform", [] { return TestRegistry::Create(); }};
}

}  // namespace regcorvex::test

void platform::PrintTo(const RegistryValue& value, std::ostream* out) {
  *out << "type " << value.type << " [";
  for (std::size_t i = 0; i < value.data.size(); ++i) {
    *out << (i == 0 ? "" : " ") << static_cast<unsigned>(value.data[i]);
  }
  *out << "]";
}
