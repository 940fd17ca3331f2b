#include "prefs/registry_accessor.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "prefs/pref_error.h"
#include "tests/prefs/registry_fixture.h"

namespace regcorvex::test {
namespace {

using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;

using Reader = std::function<std::string(TRegistry&, const std::string&)>;

std::string Describe(const Reader& read, TRegistry& accessor, const std::string& name) {
  try {
    return read(accessor, name);
  } catch (const PrefError& error) {
    return std::string("error: ") + error.what();
  }
}

const Reader kInteger = [](TRegistry& r, const std::string& name) {
  return std::to_string(r.ReadInteger(name));
};
const Reader kBoolean = [](TRegistry& r, const std::string& name) {
  return std::string(r.ReadBool(name) ? "true" : "false");
};
const Reader kString = [](TRegistry& r, const std::string& name) { return r.ReadString(name); };
// Writes the integer 1 and gives the empty text.
const Reader kWriteInteger = [](TRegistry& r, const std::string& name) {
  r.WriteInteger(name, 1);
  return std::string();
};

// Reads into a buffer of size bytes followed by guard bytes, which must stay untouched.
Reader Binary(std::int32_t size) {
  return [size](TRegistry& r, const std::string& name) {
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(size) + 4, 0xEE);
    const std::int32_t length = r.ReadBinaryData(name, buffer.data(), size);
    std::string result = std::to_string(length) + ":";
    for (std::int32_t i = 0; i < length; ++i) {
      result += ' ';
      result += std::to_string(buffer[i]);
    }
    for (std::size_t i = static_cast<std::size_t>(size); i < buffer.size(); ++i) {
      EXPECT_EQ(buffer[i], 0xEE) << "written past the buffer";
    }
    return result;
  };
}

class TRegistryTest : public RegistryTest {};

TEST_P(TRegistryTest, TypedReads) {
  const struct {
    const char* label;
    std::optional<StoredValue> stored;
    Reader read;
    std::string expected;
  } kCases[] = {
      {"dword as integer", DwordValue(-7), kInteger, "-7"},
      {"dword as boolean", DwordValue(2), kBoolean, "true"},
      {"zero dword as boolean", DwordValue(0), kBoolean, "false"},
      {"short string as integer", SzValue("5"), kInteger, "error: Invalid data type for 'v'"},
      {"long string as integer", SzValue("12345"), kInteger, "error: Failed to get data for 'v'"},
      {"eight bytes as integer", BinaryValue({1, 2, 3, 4, 5, 6, 7, 8}), kInteger,
       "error: Failed to get data for 'v'"},
      {"missing integer", std::nullopt, kInteger, "error: Failed to get data for 'v'"},
      {"string", SzValue("Blue"), kString, "Blue"},
      {"string without its zero byte", RawValue(platform::kRegSz, "abc"), kString, "abc"},
      {"string with an inner zero byte", RawValue(platform::kRegSz, std::string("ab\0cd", 6)),
       kString, "ab"},
      {"expandable string, not expanded", RawValue(platform::kRegExpandSz, std::string("%A%\0", 4)),
       kString, "%A%"},
      {"string with no data", RawValue(platform::kRegSz, ""), kString, ""},
      {"missing string", std::nullopt, kString, ""},
      {"dword as string", DwordValue(5), kString, "error: Invalid data type for 'v'"},
      {"binary that fits", BinaryValue({1, 2, 3}), Binary(3), "3: 1 2 3"},
      {"binary in a larger buffer", BinaryValue({1, 2, 3}), Binary(8), "3: 1 2 3"},
      {"binary longer than the buffer", BinaryValue({1, 2, 3}), Binary(2),
       "error: Invalid data type for 'v'"},
      {"empty binary", BinaryValue({}), Binary(0), "0:"},
      {"untyped data as binary", RawValue(platform::kRegNone, "xy"), Binary(4), "2: 120 121"},
      {"multi-string as binary", RawValue(platform::kRegMultiSz, std::string("a\0\0", 3)),
       Binary(8), "3: 97 0 0"},
      {"dword as binary", DwordValue(1), Binary(8), "error: Invalid data type for 'v'"},
      {"string as binary", SzValue("x"), Binary(8), "error: Invalid data type for 'v'"},
  };
  int row = 0;
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    const std::string key = Key("read" + std::to_string(row++));
    if (c.stored) {
      Seed(kHkeyCurrentUser, key, "v", *c.stored);
    } else {
      SeedKey(kHkeyCurrentUser, key);
    }
    TRegistry accessor(registry());
    ASSERT_TRUE(accessor.OpenKey(key, false));
    EXPECT_EQ(Describe(c.read, accessor, "v"), c.expected);
  }
}

TEST_P(TRegistryTest, WithoutAnOpenKeyNothingExistsAndWritesFail) {
  TRegistry accessor(registry());
  EXPECT_FALSE(accessor.OpenKey(Key("missing"), false));
  EXPECT_FALSE(accessor.HasOpenKey());
  EXPECT_FALSE(accessor.ValueExists("v"));
  EXPECT_EQ(accessor.GetDataSize("v"), -1);
  EXPECT_EQ(accessor.ReadString("v"), "");
  EXPECT_FALSE(accessor.DeleteValue("v"));
  EXPECT_EQ(Describe(kWriteInteger, accessor, "v"), "error: Failed to set data for 'v'");
  EXPECT_EQ(Describe(kInteger, accessor, "v"), "error: Failed to get data for 'v'");
}

TEST_P(TRegistryTest, WritesStoreTheirTypes) {
  TRegistry accessor(registry());
  ASSERT_TRUE(accessor.OpenKey(Key("w"), true));
  const std::uint8_t bytes[] = {0, 255, 7};
  accessor.WriteInteger("i", -2);
  accessor.WriteBool("t", true);
  accessor.WriteBool("f", false);
  accessor.WriteString("s", "caf\xE9");
  accessor.WriteBinaryData("b", bytes, 3);
  accessor.WriteBinaryData("e", nullptr, 0);
  EXPECT_EQ(Read(kHkeyCurrentUser, Key("w"), "i"), DwordValue(-2));
  EXPECT_EQ(Read(kHkeyCurrentUser, Key("w"), "t"), DwordValue(1));
  EXPECT_EQ(Read(kHkeyCurrentUser, Key("w"), "f"), DwordValue(0));
  EXPECT_EQ(Read(kHkeyCurrentUser, Key("w"), "s"), SzValue("caf\xE9"));
  EXPECT_EQ(Read(kHkeyCurrentUser, Key("w"), "b"), BinaryValue({0, 255, 7}));
  EXPECT_EQ(Read(kHkeyCurrentUser, Key("w"), "e"), BinaryValue({}));
  EXPECT_EQ(Describe(
                [&](TRegistry& r, const std::string& n) {
                  r.WriteBinaryData(n, bytes, -1);
                  return "";
                },
                accessor, "n"),
            "error: Failed to set data for 'n'");
  EXPECT_FALSE(Read(kHkeyCurrentUser, Key("w"), "n"));
}

TEST_P(TRegistryTest, PathsAreRelativeToTheOpenKey) {
  TRegistry accessor(registry());
  ASSERT_TRUE(accessor.OpenKey(Key("base"), true));
  ASSERT_TRUE(accessor.OpenKey("child\\", true));
  accessor.WriteInteger("v", 1);
  EXPECT_EQ(Read(kHkeyCurrentUser, Key("base\\child"), "v"), DwordValue(1));
  EXPECT_TRUE(accessor.KeyExists(""));
  EXPECT_FALSE(accessor.KeyExists("nothing"));
}

TEST_P(TRegistryTest, ValueNamesAndDeleteKeyRemovesTheTree) {
  Seed(kHkeyCurrentUser, Key("tree\\a\\b"), "deep", DwordValue(1));
  Seed(kHkeyCurrentUser, Key("tree\\c"), "x", DwordValue(1));
  Seed(kHkeyCurrentUser, Key("tree"), "zeta", DwordValue(1));
  Seed(kHkeyCurrentUser, Key("tree"), "alpha", DwordValue(1));
  Seed(kHkeyCurrentUser, Key("keep"), "v", DwordValue(1));

  TRegistry accessor(registry());
  ASSERT_TRUE(accessor.OpenKey(Key("tree"), false));
  std::vector<std::string> names = {"stale"};
  accessor.GetValueNames(names);
  // Windows lists values in the order they were made, Wine by name: either will do.
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"alpha", "zeta"}));

  accessor.CloseKey();
  ASSERT_TRUE(accessor.OpenKey(test_registry_->KeyRoot(), false));
  EXPECT_TRUE(accessor.DeleteKey("tree"));
  EXPECT_FALSE(HasKey(kHkeyCurrentUser, Key("tree")));
  EXPECT_TRUE(HasKey(kHkeyCurrentUser, Key("keep")));
  EXPECT_FALSE(accessor.DeleteKey("tree"));
}

TEST_P(TRegistryTest, ReadOnlyOpenOfAnUnwritableHive) {
  Seed(kHkeyLocalMachine, Key("m"), "v", DwordValue(9));
  if (!test_registry_->MakeMachineReadOnly())
    GTEST_SKIP() << "the machine hive stays writable here";
  TRegistry accessor(registry());
  accessor.SetRootKey(kHkeyLocalMachine);
  EXPECT_FALSE(accessor.OpenKey(Key("m"), false));
  ASSERT_TRUE(accessor.OpenKeyReadOnly(Key("m")));
  EXPECT_EQ(accessor.ReadInteger("v"), 9);
  EXPECT_EQ(Describe(kWriteInteger, accessor, "v"), "error: Failed to set data for 'v'");
}

INSTANTIATE_TEST_SUITE_P(Registries, TRegistryTest, ::testing::ValuesIn(AllRegistryKinds()),
                         RegistryKindName);

}  // namespace
}  // namespace regcorvex::test
