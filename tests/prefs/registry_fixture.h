// Tests that run once per registry: the in-memory stand-in and the platform's test registry. A
// fixture seeds and inspects values through the platform::Registry interface only, so the same
// test reads the same on every registry.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/registry_toolkit.h"
#include "tests/support/test_registry.h"

namespace regcorvex::test {

// The registries the store's suites run on: the in-memory stand-in and the platform's.
std::vector<RegistryKind> AllRegistryKinds();

using StoredValue = platform::RegistryValue;

StoredValue DwordValue(std::int32_t value);
// REG_SZ with its terminating zero byte.
StoredValue SzValue(const std::string& text);
StoredValue RawValue(platform::Dword type, const std::string& bytes);
StoredValue BinaryValue(std::vector<std::uint8_t> bytes);

class RegistryTest : public ::testing::TestWithParam<RegistryKind> {
 protected:
  void SetUp() override;

  platform::Registry& registry() { return test_registry_->registry(); }
  // KeyRoot() followed by a backslash and leaf.
  std::string Key(const std::string& leaf) const;
  // Creates the key where missing and stores the value; the test fails when it cannot.
  void Seed(platform::Hkey root, const std::string& path, const std::string& name,
            const StoredValue& value);
  void SeedKey(platform::Hkey root, const std::string& path);
  std::optional<StoredValue> Read(platform::Hkey root, const std::string& path,
                                  const std::string& name);
  bool HasKey(platform::Hkey root, const std::string& path);

  std::unique_ptr<TestRegistry> test_registry_;
};

}  // namespace regcorvex::test
