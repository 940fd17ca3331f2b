// When the native registry writes its hive files back, and when it must not.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <string>

#include "platform/posix/wine_registry/registry.h"
#include "tests/support/temp_dir.h"

namespace regcorvex::test {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class WineRegistrySaveTest : public ::testing::Test {
 protected:
  // Writes the DWORD name = 1 below Software\RegCorvexTest of HKEY_CURRENT_USER.
  static platform::Long Write(platform::Registry& registry, const char* name) {
    platform::Hkey key = platform::kNoKey;
    platform::Long code =
        registry.RegCreateKeyExA(platform::kHkeyCurrentUser, "Software\\RegCorvexTest", 0,
                                 platform::kKeyAllAccess, &key, nullptr);
    if (code != platform::kErrorSuccess) return code;
    const platform::Dword one = 1;
    code = registry.RegSetValueExA(key, name, platform::kRegDword,
                                   reinterpret_cast<const std::uint8_t*>(&one), sizeof(one));
    registry.RegCloseKey(key);
    return code;
  }

  void SetUp() override {
    const auto registry = platform::OpenWinePrefixRegistry(prefix_.string());
    ASSERT_EQ(Write(*registry, "seed"), platform::kErrorSuccess);
    ASSERT_EQ(registry->Persist(), "");
  }

  TempDir temp_;
  fs::path prefix_ = temp_.path() / "prefix";
  fs::path user_reg_ = prefix_ / "user.reg";
};

TEST_F(WineRegistrySaveTest, ARunThatOnlyReadsLeavesTheFileAlone) {
  struct stat before;
  ASSERT_EQ(stat(user_reg_.c_str(), &before), 0);
  const auto registry = platform::OpenWinePrefixRegistry(prefix_.string());
  platform::Hkey key = platform::kNoKey;
  ASSERT_EQ(registry->RegOpenKeyExA(platform::kHkeyCurrentUser, "Software\\RegCorvexTest", 0,
                                    platform::kKeyRead, &key),
            platform::kErrorSuccess);
  registry->RegCloseKey(key);
  EXPECT_EQ(registry->Persist(), "");
  struct stat after;
  ASSERT_EQ(stat(user_reg_.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_FALSE(fs::exists(prefix_ / "system.reg"));
}

// Wine does not take the prefix lock: a Wine program that saved the hive after this run read it
// keeps its version, and the run says that its own values were not saved.
TEST_F(WineRegistrySaveTest, AHiveAnotherProgramRewroteMeanwhileIsNotOverwritten) {
  const auto registry = platform::OpenWinePrefixRegistry(prefix_.string());
  ASSERT_EQ(Write(*registry, "mine"), platform::kErrorSuccess);
  const std::string other = ReadAll(user_reg_) +
                            "\n[Software\\\\Other] 1796902158\n#time=1dd8899b1fa5ba6\n"
                            "\"o\"=dword:00000001\n";
  temp_.Write("prefix/user.reg", other);
  const std::string error = registry->Persist();
  EXPECT_NE(error.find("user.reg"), std::string::npos) << error;
  EXPECT_NE(error.find("another program changed it"), std::string::npos) << error;
  EXPECT_EQ(ReadAll(user_reg_), other);
}

}  // namespace
}  // namespace regcorvex::test
