// The platform's version functions on files the tests build: the block layout of the ANSI
// functions that TVersionInfo relies on, natively as under Wine.
#include "platform/version_api.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/common/version_fixture.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_platform.h"

namespace regcorvex {
namespace {

TEST(VersionApiTest, StringsAreCopiedIntoTheSecondHalfOfTheBlock) {
  using namespace test;
  const std::string resource = Serialize(VersionRoot(
      FixedInfo{0x00050007, 1, 0},
      {StringFileInfo({StringTable(
           u"040904E4", {StringValue(u"ProductName", u"Corvane 5"), StringValue(u"Empty", u"")})}),
       VarFileInfo({{0x0409, 0x04E4}})}));
  const TempDir folder;
  const std::string path = WindowsPath(folder.Write("v.dll", PeWithVersionResource(resource)));
  platform::VersionApi& api = platform::DefaultVersionApi();

  platform::Dword handle = 7;
  const platform::Dword size = api.GetFileVersionInfoSizeA(path.c_str(), &handle);
  EXPECT_EQ(handle, 0u);
  ASSERT_EQ(size, resource.size() * 2 + 4);
  std::vector<std::uint8_t> block(size, 0xCC);
  ASSERT_TRUE(api.GetFileVersionInfoA(path.c_str(), 0, size, block.data()));
  EXPECT_EQ(
      std::string(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(resource.size())),
      resource);
  EXPECT_EQ(std::string(block.begin() + static_cast<std::ptrdiff_t>(resource.size()),
                        block.begin() + static_cast<std::ptrdiff_t>(resource.size() + 4)),
            "FE2X");

  void* value = nullptr;
  unsigned length = 0;
  ASSERT_TRUE(
      api.VerQueryValueA(block.data(), "\\StringFileInfo\\040904E4\\ProductName", &value, &length));
  EXPECT_EQ(length, 10u);
  EXPECT_STREQ(static_cast<const char*>(value), "Corvane 5");
  const auto* text = static_cast<const std::uint8_t*>(value);
  EXPECT_GE(text, block.data() + resource.size() + 4);
  EXPECT_LE(text + length, block.data() + block.size());

  ASSERT_TRUE(api.VerQueryValueA(block.data(), "\\", &value, &length));
  EXPECT_EQ(length, 52u);
  EXPECT_EQ(static_cast<const std::uint8_t*>(value), block.data() + 40);
  ASSERT_TRUE(api.VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length));
  EXPECT_EQ(length, 4u);

  EXPECT_FALSE(
      api.VerQueryValueA(block.data(), "\\StringFileInfo\\040904E4\\Missing", &value, &length));
  EXPECT_FALSE(
      api.VerQueryValueA(block.data(), "\\StringFileInfo\\040904E5\\ProductName", &value, &length));
}

TEST(VersionApiTest, FilesWithoutAResourceHaveSizeZero) {
  const test::TempDir folder;
  folder.Write("sub/x.txt", "x");
  for (const std::string& path :
       {test::WindowsPath(folder.path() / "missing.dll"), test::WindowsPath(folder.path() / "sub"),
        test::WindowsPath(folder.path() / "sub" / "x.txt"),
        test::WindowsPath(folder.Write("plain.dll", test::PeWithVersionResource("")))}) {
    SCOPED_TRACE(path);
    platform::Dword handle = 7;
    EXPECT_EQ(platform::DefaultVersionApi().GetFileVersionInfoSizeA(path.c_str(), &handle), 0u);
    EXPECT_EQ(handle, 0u);
  }
}

}  // namespace
}  // namespace regcorvex
