// The dry-run registry over the platform's test registry: reads go through, changes stay in it,
// and it creates only what the registry below would let it create.
#include <gtest/gtest.h>

#include "admin/dry_run_registry.h"
#include "platform/unique_hkey.h"
#include "tests/support/test_registry.h"

namespace regcorvex {
namespace {

using platform::Hkey;
using platform::kErrorSuccess;

class DryRunRegistryTest : public ::testing::Test {
 protected:
  DryRunRegistryTest()
      : test_(test::TestRegistry::Create()), below_(test_->registry()), dry_(below_) {}

  // Writes name = value below the registry of the test, not through the dry run.
  void Seed(Hkey root, const std::string& key, const std::string& name, std::uint8_t value) {
    Hkey opened = platform::kNoKey;
    ASSERT_EQ(
        below_.RegCreateKeyExA(root, key.c_str(), 0, platform::kKeyAllAccess, &opened, nullptr),
        kErrorSuccess);
    const auto owned = platform::MakeUniqueHkey(below_, opened);
    const std::uint8_t data[4] = {value, 0, 0, 0};
    ASSERT_EQ(below_.RegSetValueExA(owned.get(), name.c_str(), platform::kRegDword, data, 4),
              kErrorSuccess);
  }

  bool ExistsBelow(Hkey root, const std::string& key) {
    Hkey opened = platform::kNoKey;
    if (below_.RegOpenKeyExA(root, key.c_str(), 0, platform::kKeyRead, &opened) != kErrorSuccess)
      return false;
    below_.RegCloseKey(opened);
    return true;
  }

  std::unique_ptr<test::TestRegistry> test_;
  platform::Registry& below_;
  DryRunRegistry dry_;
};

TEST_F(DryRunRegistryTest, ReadsThroughAndKeepsItsChanges) {
  const std::string key = test_->KeyRoot() + "\\Existing";
  Seed(platform::kHkeyCurrentUser, key, "Old", 7);
  const RegistryValue seven{platform::kRegDword, {7, 0, 0, 0}};
  EXPECT_EQ(dry_.Value(platform::kHkeyCurrentUser, key, "old"), seven);

  Hkey opened = platform::kNoKey;
  platform::Dword disposition = 0;
  ASSERT_EQ(dry_.RegCreateKeyExA(platform::kHkeyCurrentUser, (key + "\\New\\Deeper").c_str(), 0,
                                 platform::kKeyAllAccess, &opened, &disposition),
            kErrorSuccess);
  EXPECT_EQ(disposition, platform::kRegCreatedNewKey);
  const std::uint8_t data[4] = {9, 0, 0, 0};
  ASSERT_EQ(dry_.RegSetValueExA(opened, "Fresh", platform::kRegDword, data, 4), kErrorSuccess);
  dry_.RegCloseKey(opened);

  ASSERT_EQ(dry_.RegOpenKeyExA(platform::kHkeyCurrentUser, key.c_str(), 0, platform::kKeyAllAccess,
                               &opened),
            kErrorSuccess);
  ASSERT_EQ(dry_.RegSetValueExA(opened, "OLD", platform::kRegDword, data, 4), kErrorSuccess);
  ASSERT_EQ(dry_.RegDeleteValueA(opened, "OLD"), kErrorSuccess);
  EXPECT_EQ(dry_.RegDeleteValueA(opened, "Old"), platform::kErrorFileNotFound);
  dry_.RegCloseKey(opened);

  ASSERT_EQ(dry_.created_keys().size(), 1u);
  EXPECT_EQ(dry_.created_keys()[0].key, key + "\\New\\Deeper");
  ASSERT_EQ(dry_.changes().size(), 3u);
  EXPECT_FALSE(dry_.changes()[0].before.has_value());
  EXPECT_EQ(dry_.changes()[1].before, seven);
  EXPECT_FALSE(dry_.changes()[2].after.has_value());

  const RegistryValue nine{platform::kRegDword, {9, 0, 0, 0}};
  EXPECT_EQ(dry_.Value(platform::kHkeyCurrentUser, key + "\\new\\deeper", "fresh"), nine);
  EXPECT_FALSE(dry_.Value(platform::kHkeyCurrentUser, key, "Old").has_value());
  EXPECT_FALSE(ExistsBelow(platform::kHkeyCurrentUser, key + "\\New"));
  Hkey below_key = platform::kNoKey;
  ASSERT_EQ(below_.RegOpenKeyExA(platform::kHkeyCurrentUser, key.c_str(), 0, platform::kKeyRead,
                                 &below_key),
            kErrorSuccess);
  const auto owned = platform::MakeUniqueHkey(below_, below_key);
  EXPECT_EQ(below_.RegQueryValueExA(owned.get(), "Old", nullptr, nullptr, nullptr), kErrorSuccess);
}

TEST_F(DryRunRegistryTest, CreatesOnlyWhereTheRegistryBelowWouldLetIt) {
  const std::string key = test_->KeyRoot() + "\\Machine";
  Seed(platform::kHkeyLocalMachine, key, "Value", 1);
  if (!test_->MakeMachineReadOnly()) GTEST_SKIP() << "the machine hive cannot be made read-only";
  Hkey opened = platform::kNoKey;
  EXPECT_EQ(dry_.RegOpenKeyExA(platform::kHkeyLocalMachine, key.c_str(), 0, platform::kKeyAllAccess,
                               &opened),
            platform::kErrorAccessDenied);
  EXPECT_EQ(dry_.RegCreateKeyExA(platform::kHkeyLocalMachine, (key + "\\Sub").c_str(), 0,
                                 platform::kKeyAllAccess, &opened, nullptr),
            platform::kErrorAccessDenied);
  ASSERT_EQ(
      dry_.RegOpenKeyExA(platform::kHkeyLocalMachine, key.c_str(), 0, platform::kKeyRead, &opened),
      kErrorSuccess);
  const std::uint8_t data[4] = {};
  EXPECT_EQ(dry_.RegSetValueExA(opened, "Value", platform::kRegDword, data, 4),
            platform::kErrorAccessDenied);
  dry_.RegCloseKey(opened);
  EXPECT_EQ(dry_.RegCreateKeyExA(platform::kHkeyCurrentUser, std::string(256, 'k').c_str(), 0,
                                 platform::kKeyAllAccess, &opened, nullptr),
            platform::kErrorInvalidParameter);
  EXPECT_TRUE(dry_.changes().empty());
  EXPECT_TRUE(dry_.created_keys().empty());
}

}  // namespace
}  // namespace regcorvex
