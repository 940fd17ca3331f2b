#include "tests/prefs/registry_fixture.h"

#include "platform/unique_hkey.h"

namespace regcorvex::test {

std::vector<RegistryKind> AllRegistryKinds() {
  return {MemoryRegistryKind(), PlatformRegistryKind()};
}

StoredValue DwordValue(std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  return {platform::kRegDword,
          {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
           static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)}};
}

StoredValue SzValue(const std::string& text) {
  return RawValue(platform::kRegSz, std::string(text.c_str(), text.size() + 1));
}

StoredValue RawValue(platform::Dword type, const std::string& bytes) {
  return {type, std::vector<std::uint8_t>(bytes.begin(), bytes.end())};
}

StoredValue BinaryValue(std::vector<std::uint8_t> bytes) {
  return {platform::kRegBinary, std::move(bytes)};
}

void RegistryTest::SetUp() { test_registry_ = GetParam().make(); }

std::string RegistryTest::Key(const std::string& leaf) const {
  return test_registry_->KeyRoot() + "\\" + leaf;
}

void RegistryTest::SeedKey(platform::Hkey root, const std::string& path) {
  platform::Hkey key = platform::kNoKey;
  ASSERT_EQ(registry().RegCreateKeyExA(root, path.c_str(), platform::kRegOptionNonVolatile,
                                       platform::kKeyAllAccess, &key, nullptr),
            platform::kErrorSuccess)
      << path;
  platform::MakeUniqueHkey(registry(), key).reset();
}

void RegistryTest::Seed(platform::Hkey root, const std::string& path, const std::string& name,
                        const StoredValue& value) {
  platform::Hkey key = platform::kNoKey;
  ASSERT_EQ(registry().RegCreateKeyExA(root, path.c_str(), platform::kRegOptionNonVolatile,
                                       platform::kKeyAllAccess, &key, nullptr),
            platform::kErrorSuccess)
      << path;
  const platform::UniqueHkey owned = platform::MakeUniqueHkey(registry(), key);
  ASSERT_EQ(registry().RegSetValueExA(owned.get(), name.c_str(), value.type, value.data.data(),
                                      static_cast<platform::Dword>(value.data.size())),
            platform::kErrorSuccess)
      << path << " " << name;
}

std::optional<StoredValue> RegistryTest::Read(platform::Hkey root, const std::string& path,
                                              const std::string& name) {
  platform::Hkey key = platform::kNoKey;
  if (registry().RegOpenKeyExA(root, path.c_str(), 0, platform::kKeyRead, &key) !=
      platform::kErrorSuccess) {
    return std::nullopt;
  }
  const platform::UniqueHkey owned = platform::MakeUniqueHkey(registry(), key);
  StoredValue value{platform::kRegNone, {}};
  platform::Dword size = 0;
  if (registry().RegQueryValueExA(owned.get(), name.c_str(), &value.type, nullptr, &size) !=
      platform::kErrorSuccess) {
    return std::nullopt;
  }
  value.data.resize(size);
  EXPECT_EQ(
      registry().RegQueryValueExA(owned.get(), name.c_str(), &value.type, value.data.data(), &size),
      platform::kErrorSuccess);
  value.data.resize(size);
  return value;
}

bool RegistryTest::HasKey(platform::Hkey root, const std::string& path) {
  platform::Hkey key = platform::kNoKey;
  if (registry().RegOpenKeyExA(root, path.c_str(), 0, platform::kKeyRead, &key) !=
      platform::kErrorSuccess) {
    return false;
  }
  platform::MakeUniqueHkey(registry(), key).reset();
  return true;
}

}  // namespace regcorvex::test
