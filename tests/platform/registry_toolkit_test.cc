#include "platform/registry_toolkit.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace regcorvex::test {
namespace {

using platform::Dword;

TEST(RegistryToolkitTest, KeyPathsSplitAtRunsOfBackslashes) {
  const struct {
    std::string_view path;
    std::vector<std::string> names;
  } cases[] = {
      {"", {}},
      {"\\\\", {}},
      {"Software", {"Software"}},
      {"Software\\\\Vendor\\", {"Software", "Vendor"}},
      {"\\a\\b", {"a", "b"}},
  };
  for (const auto& row : cases) {
    EXPECT_EQ(platform::SplitKeyPath(row.path), row.names) << row.path;
  }
  EXPECT_EQ(platform::SplitKeyPath(std::u16string_view(u"A\\\u00e9")),
            (std::vector<std::u16string>{u"A", u"\u00e9"}));
}

TEST(RegistryToolkitTest, PathsAndNamesBeyondTheLimitsAreRefused) {
  const std::string longest_path(platform::kMaxKeyPathLength, 'p');
  EXPECT_EQ(platform::CheckKeyPath(std::string_view(longest_path)), platform::kErrorSuccess);
  EXPECT_EQ(platform::CheckKeyPath(std::string_view(longest_path + "p")), platform::kErrorMoreData);
  EXPECT_EQ(platform::CheckKeyPath(std::string_view("\\Software")), platform::kErrorBadPathname);
  EXPECT_EQ(platform::CheckKeyPath(std::string_view("")), platform::kErrorSuccess);

  const std::string longest_name(platform::kMaxKeyNameLength, 'k');
  EXPECT_EQ(platform::CheckKeyNames(std::vector<std::string>{"a", longest_name}),
            platform::kErrorSuccess);
  EXPECT_EQ(platform::CheckKeyNames(std::vector<std::string>{longest_name + "k", "a"}),
            platform::kErrorInvalidParameter);
}

TEST(RegistryToolkitTest, NamesGoOutWithTheirNulOrAskForMore) {
  char buffer[4] = {'x', 'x', 'x', 'x'};
  Dword size = sizeof(buffer);
  EXPECT_EQ(platform::CopyAnsiName("abc", buffer, &size), platform::kErrorSuccess);
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(std::string(buffer), "abc");
  // One character too long: cut to fit with its NUL, the size left as the caller gave it.
  size = sizeof(buffer);
  EXPECT_EQ(platform::CopyAnsiName("abcd", buffer, &size), platform::kErrorMoreData);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(std::string(buffer), "abc");
  size = 0;
  EXPECT_EQ(platform::CopyAnsiName("a", buffer, &size), platform::kErrorMoreData);
  EXPECT_EQ(platform::CopyAnsiName("a", nullptr, &size), platform::kErrorInvalidParameter);
  EXPECT_EQ(platform::CopyAnsiName("a", buffer, nullptr), platform::kErrorInvalidParameter);

  // The wide form leaves the buffer as it was when the name does not fit.
  char16_t wide[3] = {u'x', u'x', u'x'};
  Dword units = 3;
  EXPECT_EQ(platform::CopyWideName(u"abc", wide, &units), platform::kErrorMoreData);
  EXPECT_EQ(std::u16string(wide, 3), u"xxx");
  EXPECT_EQ(platform::CopyWideName(u"ab", wide, &units), platform::kErrorSuccess);
  EXPECT_EQ(units, 2u);
  EXPECT_EQ(std::u16string(wide), u"ab");
}

TEST(RegistryToolkitTest, DataGoesOutWholeOrNotAtAll) {
  const std::vector<std::uint8_t> bytes = {1, 2, 3};
  Dword size = 0;
  EXPECT_EQ(platform::CopyDataBytes(bytes, nullptr, &size), platform::kErrorSuccess);
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(platform::CopyDataBytes(bytes, nullptr, nullptr), platform::kErrorSuccess);

  std::uint8_t buffer[3] = {9, 9, 9};
  size = 2;
  EXPECT_EQ(platform::CopyDataBytes(bytes, buffer, &size), platform::kErrorMoreData);
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(buffer[0], 9);  // nothing copied
  EXPECT_EQ(platform::CopyDataBytes(bytes, buffer, nullptr), platform::kErrorInvalidParameter);
  size = sizeof(buffer);
  EXPECT_EQ(platform::CopyDataBytes(bytes, buffer, &size), platform::kErrorSuccess);
  EXPECT_EQ(std::vector<std::uint8_t>(buffer, buffer + 3), bytes);
  size = sizeof(buffer);
  EXPECT_EQ(platform::CopyDataBytes(std::vector<std::uint8_t>(), buffer, &size),
            platform::kErrorSuccess);
  EXPECT_EQ(size, 0u);
}

}  // namespace
}  // namespace regcorvex::test
