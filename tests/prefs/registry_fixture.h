// Tests that run once per registry: the in-memory stand-in and the platform's test registry. A
// fixture seeds and inspects values through the platform::Registry interface only, so the same
// test reads the same on every registry.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace regcorvex::testing {

// A registry for one test, and a key path of its own, the same in both roots.
class RegistryProvider {
 public:
  virtual ~RegistryProvider() = default;
  virtual platform::Registry& registry() = 0;
  virtual const std::string& KeyRoot() const = 0;
  // False where the machine hive cannot be made unwritable; the tests that need it are skipped.
  virtual bool MakeMachineReadOnly() = 0;
};

struct RegistryKind {
  std::string name;
  std::function<std::unique_ptr<RegistryProvider>()> make;
};

std::string RegistryKindName(const ::testing::TestParamInfo<RegistryKind>& info);
inline void PrintTo(const RegistryKind& kind, std::ostream* out) { *out << kind.name; }

// The in-memory stand-in (a MemoryRegistry), with "Software\\RegCorvexTest\\0" as its key root.
RegistryKind MemoryRegistryKind();
// Every registry the suites run on.
std::vector<RegistryKind> AllRegistryKinds();

// A value as the registry holds it.
struct StoredValue {
  platform::Dword type;
  std::vector<std::uint8_t> data;
  bool operator==(const StoredValue&) const = default;
};
void PrintTo(const StoredValue& value, std::ostream* out);

StoredValue DwordValue(std::int32_t value);
// REG_SZ with its terminating zero byte.
StoredValue SzValue(const std::string& text);
StoredValue RawValue(platform::Dword type, const std::string& bytes);
StoredValue BinaryValue(std::vector<std::uint8_t> bytes);

class RegistryTest : public ::testing::TestWithParam<RegistryKind> {
 protected:
  void SetUp() override;

  platform::Registry& registry() { return provider_->registry(); }
  // KeyRoot() followed by a backslash and leaf.
  std::string Key(const std::string& leaf) const;
  // Creates the key where missing and stores the value; the test fails when it cannot.
  void Seed(platform::Hkey root, const std::string& path, const std::string& name,
            const StoredValue& value);
  void SeedKey(platform::Hkey root, const std::string& path);
  std::optional<StoredValue> Read(platform::Hkey root, const std::string& path,
                                  const std::string& name);
  bool HasKey(platform::Hkey root, const std::string& path);

  std::unique_ptr<RegistryProvider> provider_;
};

}  // namespace regcorvex::testing
