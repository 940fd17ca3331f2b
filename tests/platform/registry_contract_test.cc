// What the preference store and the companion rely on from the 8-bit registry functions, written
// once and run against every registry: the platform's (natively the Wine prefix's hive files, in
// the Windows build the real registry, under Wine in CI), the in-memory stand-in the other suites
// use, and the companion's dry-run registry over that stand-in.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "admin/dry_run_registry.h"
#include "platform/unique_hkey.h"
#include "tests/support/test_registry.h"

namespace regcorvex::test {
namespace {

using platform::Dword;
using platform::Hkey;
using platform::Long;

// The dry-run registry, with the changes kept to itself over an in-memory registry below.
class DryRunTestRegistry final : public TestRegistry {
 public:
  platform::Registry& registry() override { return dry_run_; }
  const std::string& KeyRoot() const override { return below_->KeyRoot(); }
  bool MakeMachineReadOnly() override { return below_->MakeMachineReadOnly(); }

 private:
  std::unique_ptr<TestRegistry> below_ = MemoryRegistryKind().make();
  DryRunRegistry dry_run_{below_->registry()};
};

constexpr char kDryRunKind[] = "DryRunOverMemory";

struct Queried {
  Long code = -1;
  Dword type = 0;
  std::string data;
};

class RegistryContractTest : public ::testing::TestWithParam<RegistryKind> {
 protected:
  // Where the dry-run registry differs on purpose: its listings show the registry below without
  // its own changes (the companion lists what is stored and shows the changes apart), and it
  // refuses to delete a key (nothing the import does deletes one).
  bool ListsItsOwnChanges() const { return GetParam().name != kDryRunKind; }
  bool DeletesKeys() const { return GetParam().name != kDryRunKind; }

  platform::Registry& registry() { return test_->registry(); }
  std::string Path(const std::string& below) const { return test_->KeyRoot() + "\\" + below; }

  platform::UniqueHkey Create(const std::string& path, Hkey root = platform::kHkeyCurrentUser) {
    Hkey key = platform::kNoKey;
    Dword disposition = 0;
    EXPECT_EQ(registry().RegCreateKeyExA(root, Path(path).c_str(), platform::kRegOptionNonVolatile,
                                         platform::kKeyAllAccess, &key, &disposition),
              platform::kErrorSuccess)
        << path;
    return platform::MakeUniqueHkey(registry(), key);
  }

  Long Open(const std::string& path, Dword sam, platform::UniqueHkey* out = nullptr,
            Hkey root = platform::kHkeyCurrentUser) {
    Hkey key = platform::kNoKey;
    const Long code = registry().RegOpenKeyExA(root, Path(path).c_str(), 0, sam, &key);
    auto owned = platform::MakeUniqueHkey(registry(), key);
    if (out != nullptr) *out = std::move(owned);
    return code;
  }

  Long Set(Hkey key, const char* name, Dword type, const std::string& data) {
    return registry().RegSetValueExA(key, name, type,
                                     reinterpret_cast<const std::uint8_t*>(data.data()),
                                     static_cast<Dword>(data.size()));
  }

  Queried Query(Hkey key, const char* name) {
    Queried result;
    Dword size = 0;
    result.code = registry().RegQueryValueExA(key, name, &result.type, nullptr, &size);
    if (result.code != platform::kErrorSuccess) return result;
    std::vector<std::uint8_t> buffer(size + 1);
    result.code = registry().RegQueryValueExA(key, name, &result.type, buffer.data(), &size);
    result.data.assign(reinterpret_cast<const char*>(buffer.data()), size);
    return result;
  }

  std::vector<std::string> SubkeyNames(Hkey key) {
    std::vector<std::string> names;
    for (Dword index = 0;; ++index) {
      char name[256];
      Dword size = sizeof(name);
      const Long code = registry().RegEnumKeyExA(key, index, name, &size);
      if (code == platform::kErrorNoMoreItems) break;
      EXPECT_EQ(code, platform::kErrorSuccess);
      if (code != platform::kErrorSuccess) break;
      names.emplace_back(name, size);
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  std::unique_ptr<TestRegistry> test_ = GetParam().make();
};

TEST_P(RegistryContractTest, MissingKeyAndMissingValueAreBothNotFound) {
  EXPECT_EQ(Open("Absent", platform::kKeyRead), platform::kErrorFileNotFound);
  const auto key = Create("Present");
  const Queried missing = Query(key.get(), "nothing");
  EXPECT_EQ(missing.code, platform::kErrorFileNotFound);
  EXPECT_EQ(registry().RegDeleteValueA(key.get(), "nothing"), platform::kErrorFileNotFound);
  EXPECT_EQ(Open("Present", platform::kKeyRead), platform::kErrorSuccess);
}

TEST_P(RegistryContractTest, ValuesComeBackWithTheirTypeAndBytes) {
  const auto key = Create("Types");
  const struct {
    const char* name;
    Dword type;
    std::string data;
  } cases[] = {
      {"dword", platform::kRegDword, std::string("\x05\x00\x00\x80", 4)},
      {"text", platform::kRegSz, std::string("hello\0", 6)},
      {"embedded nul", platform::kRegSz, std::string("a\0b\0", 4)},
      {"expand", platform::kRegExpandSz, std::string("%TEMP%\\x\0", 9)},
      {"multi", platform::kRegMultiSz, std::string("one\0two\0\0", 9)},
      {"binary", platform::kRegBinary, std::string("\x00\xff\x00\x7f", 4)},
      {"empty binary", platform::kRegBinary, std::string()},
      {"long binary", platform::kRegBinary, std::string(300, '\xab')},
      {"qword", platform::kRegQword, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8)},
      {"none", platform::kRegNone, std::string("\x01", 1)},
      {"", platform::kRegSz, std::string("the default\0", 12)},
  };
  for (const auto& row : cases) {
    ASSERT_EQ(Set(key.get(), row.name, row.type, row.data), platform::kErrorSuccess) << row.name;
  }
  for (const auto& row : cases) {
    SCOPED_TRACE(row.name);
    const Queried value = Query(key.get(), row.name);
    EXPECT_EQ(value.code, platform::kErrorSuccess);
    EXPECT_EQ(value.type, row.type);
    EXPECT_EQ(value.data, row.data);
  }
  // The default value answers to both spellings of its name.
  EXPECT_EQ(Query(key.get(), nullptr).data, std::string("the default\0", 12));
}

TEST_P(RegistryContractTest, ReplacingAValueChangesItsType) {
  const auto key = Create("Retype");
  ASSERT_EQ(Set(key.get(), "v", platform::kRegSz, std::string("5\0", 2)), platform::kErrorSuccess);
  ASSERT_EQ(Set(key.get(), "V", platform::kRegDword, std::string("\x06\0\0\0", 4)),
            platform::kErrorSuccess);
  const Queried value = Query(key.get(), "v");
  EXPECT_EQ(value.type, platform::kRegDword);
  EXPECT_EQ(value.data, std::string("\x06\0\0\0", 4));
}

TEST_P(RegistryContractTest, QueryReportsTheSizeAndAsksForMoreWhenTheBufferIsShort) {
  const auto key = Create("Sizes");
  ASSERT_EQ(Set(key.get(), "s", platform::kRegSz, std::string("abcdef\0", 7)),
            platform::kErrorSuccess);
  ASSERT_EQ(Set(key.get(), "b", platform::kRegBinary, "12345678"), platform::kErrorSuccess);
  for (const char* name : {"s", "b"}) {
    SCOPED_TRACE(name);
    Dword type = 0;
    Dword size = 0;
    ASSERT_EQ(registry().RegQueryValueExA(key.get(), name, &type, nullptr, &size),
              platform::kErrorSuccess);
    const Dword needed = name[0] == 's' ? 7 : 8;
    EXPECT_EQ(size, needed);
    std::uint8_t buffer[16] = {};
    size = needed - 1;
    EXPECT_EQ(registry().RegQueryValueExA(key.get(), name, &type, buffer, &size),
              platform::kErrorMoreData);
    EXPECT_EQ(size, needed);
    size = sizeof(buffer);
    EXPECT_EQ(registry().RegQueryValueExA(key.get(), name, &type, buffer, &size),
              platform::kErrorSuccess);
    EXPECT_EQ(size, needed);
  }
  // A 4-byte buffer is too small for binary data longer than a DWORD.
  std::uint8_t dword[4];
  Dword size = sizeof(dword);
  EXPECT_EQ(registry().RegQueryValueExA(key.get(), "b", nullptr, dword, &size),
            platform::kErrorMoreData);
}

TEST_P(RegistryContractTest, EnumerationListsEveryValueAndSubkeyOnce) {
  if (!ListsItsOwnChanges()) GTEST_SKIP() << "listings show the registry below";
  const auto key = Create("Enum");
  const std::vector<std::string> values = {"alpha", "Beta", "gamma", "_under", "Zulu"};
  for (const std::string& name : values) {
    ASSERT_EQ(Set(key.get(), name.c_str(), platform::kRegSz, name + '\0'), platform::kErrorSuccess);
  }
  for (const char* child : {"one", "Two", "three"}) Create(std::string("Enum\\") + child);

  std::vector<std::string> seen;
  for (Dword index = 0;; ++index) {
    char name[64];
    Dword name_size = sizeof(name);
    Dword type = 0;
    std::uint8_t data[64];
    Dword data_size = sizeof(data);
    const Long code =
        registry().RegEnumValueA(key.get(), index, name, &name_size, &type, data, &data_size);
    if (code == platform::kErrorNoMoreItems) break;
    ASSERT_EQ(code, platform::kErrorSuccess);
    EXPECT_EQ(std::strlen(name), name_size);
    EXPECT_EQ(type, platform::kRegSz);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data), data_size), std::string(name) + '\0');
    seen.emplace_back(name, name_size);
  }
  std::vector<std::string> expected = values;
  std::sort(expected.begin(), expected.end());
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(SubkeyNames(key.get()), (std::vector<std::string>{"Two", "one", "three"}));

  Dword sub_keys = 0, max_sub_key = 0, value_count = 0, max_value_name = 0, max_value = 0;
  ASSERT_EQ(registry().RegQueryInfoKeyA(key.get(), &sub_keys, &max_sub_key, &value_count,
                                        &max_value_name, &max_value),
            platform::kErrorSuccess);
  EXPECT_EQ(sub_keys, 3u);
  EXPECT_EQ(max_sub_key, 5u);
  EXPECT_EQ(value_count, 5u);
  EXPECT_EQ(max_value_name, 6u);
  EXPECT_GE(max_value, 7u);  // the longest data; Windows counts it in UTF-16 bytes
}

TEST_P(RegistryContractTest, EnumerationAsksForMoreWhenANameDoesNotFit) {
  if (!ListsItsOwnChanges()) GTEST_SKIP() << "listings show the registry below";
  const auto key = Create("EnumShort");
  ASSERT_EQ(Set(key.get(), "longer name", platform::kRegDword, std::string(4, '\0')),
            platform::kErrorSuccess);
  Create("EnumShort\\longer subkey");
  char name[4];
  Dword size = sizeof(name);
  EXPECT_EQ(registry().RegEnumValueA(key.get(), 0, name, &size, nullptr, nullptr, nullptr),
            platform::kErrorMoreData);
  size = sizeof(name);
  EXPECT_EQ(registry().RegEnumKeyExA(key.get(), 0, name, &size), platform::kErrorMoreData);
}

TEST_P(RegistryContractTest, CreateMakesEveryMissingLevelAndThenOpens) {
  Hkey raw = platform::kNoKey;
  Dword disposition = 0;
  const std::string path = Path("Deep\\er\\est");
  ASSERT_EQ(registry().RegCreateKeyExA(platform::kHkeyCurrentUser, path.c_str(), 0,
                                       platform::kKeyAllAccess, &raw, &disposition),
            platform::kErrorSuccess);
  platform::MakeUniqueHkey(registry(), raw);
  EXPECT_EQ(disposition, platform::kRegCreatedNewKey);
  EXPECT_EQ(Open("Deep\\er", platform::kKeyRead), platform::kErrorSuccess);
  // Names match without regard to case, and a trailing backslash is accepted.
  ASSERT_EQ(registry().RegCreateKeyExA(platform::kHkeyCurrentUser, Path("DEEP\\ER\\EST\\").c_str(),
                                       0, platform::kKeyAllAccess, &raw, &disposition),
            platform::kErrorSuccess);
  platform::MakeUniqueHkey(registry(), raw);
  EXPECT_EQ(disposition, platform::kRegOpenedExistingKey);
}

TEST_P(RegistryContractTest, DeleteKeyRefusesAKeyWithSubkeys) {
  if (!DeletesKeys()) GTEST_SKIP() << "this registry deletes no key";
  const auto parent = Create("Parent");
  Create("Parent\\Child");
  EXPECT_EQ(registry().RegDeleteKeyA(platform::kHkeyCurrentUser, Path("Parent").c_str()),
            platform::kErrorAccessDenied);
  EXPECT_EQ(Open("Parent\\Child", platform::kKeyRead), platform::kErrorSuccess);

  EXPECT_EQ(registry().RegDeleteKeyA(parent.get(), "Child"), platform::kErrorSuccess);
  EXPECT_EQ(Open("Parent\\Child", platform::kKeyRead), platform::kErrorFileNotFound);
  EXPECT_EQ(registry().RegDeleteKeyA(parent.get(), "Child"), platform::kErrorFileNotFound);
  EXPECT_EQ(registry().RegDeleteKeyA(platform::kHkeyCurrentUser, Path("Parent").c_str()),
            platform::kErrorSuccess);
  // The handle outlives its key: writes through it fail.
  EXPECT_EQ(Set(parent.get(), "late", platform::kRegDword, std::string(4, '\0')),
            platform::kErrorKeyDeleted);
}

TEST_P(RegistryContractTest, Code1252NamesAndStringsSurviveTheRoundTrip) {
  // e acute, euro sign (0x80), Y diaeresis (0x9F), y diaeresis (0xFF), S caron (0x8A).
  const std::string key_name = "Caf\xe9 \x80\x9f";
  const std::string value_name = "n\xe4me \x8a\xff";
  const std::string text = std::string("\x80 \x9f \xff \xe9 \x81", 9) + '\0';
  const auto key = Create(key_name);
  ASSERT_EQ(Set(key.get(), value_name.c_str(), platform::kRegSz, text), platform::kErrorSuccess);

  if (ListsItsOwnChanges()) {
    const auto root = Create("");
    EXPECT_EQ(SubkeyNames(root.get()), std::vector<std::string>{key_name});
  }
  platform::UniqueHkey upper;
  ASSERT_EQ(Open("CAF\xc9 \x80\x9f", platform::kKeyRead, &upper), platform::kErrorSuccess);
  const Queried value = Query(upper.get(), "N\xc4ME \x8a\x9f");
  EXPECT_EQ(value.code, platform::kErrorSuccess);
  EXPECT_EQ(value.data, text);
}

TEST_P(RegistryContractTest, NamesBeyondWindowsLimitsAreRefused) {
  const auto key = Create("Limits");
  const std::string longest_value(16383, 'v');
  EXPECT_EQ(Set(key.get(), longest_value.c_str(), platform::kRegDword, std::string(4, '\0')),
            platform::kErrorSuccess);
  EXPECT_EQ(
      Set(key.get(), (longest_value + 'v').c_str(), platform::kRegDword, std::string(4, '\0')),
      platform::kErrorInvalidParameter);

  // Wine's limit, not Windows': Wine's 8-bit registry functions convert the path into a fixed
  // buffer and fail a path of more than 260 characters with ERROR_MORE_DATA, where Windows takes
  // longer paths. The program runs under Wine, and the native registry behaves as Wine does.
  std::string path;
  while (path.size() < 260) path += path.size() % 10 == 9 ? '\\' : 'p';
  Hkey raw = platform::kNoKey;
  EXPECT_EQ(registry().RegCreateKeyExA(key.get(), path.c_str(), 0, platform::kKeyAllAccess, &raw,
                                       nullptr),
            platform::kErrorSuccess);
  platform::MakeUniqueHkey(registry(), raw);
  EXPECT_EQ(registry().RegCreateKeyExA(key.get(), (path + 'p').c_str(), 0, platform::kKeyAllAccess,
                                       &raw, nullptr),
            platform::kErrorMoreData);
  EXPECT_EQ(registry().RegOpenKeyExA(key.get(), (path + 'p').c_str(), 0, platform::kKeyRead, &raw),
            platform::kErrorMoreData);
  EXPECT_EQ(registry().RegOpenKeyExA(platform::kHkeyCurrentUser, "\\Software", 0,
                                     platform::kKeyRead, &raw),
            platform::kErrorBadPathname);
}

TEST_P(RegistryContractTest, TheMachineRootIsSeparateFromTheUserRoot) {
  const auto machine = Create("Shared", platform::kHkeyLocalMachine);
  ASSERT_EQ(Set(machine.get(), "where", platform::kRegSz, std::string("machine\0", 8)),
            platform::kErrorSuccess);
  const auto user = Create("Shared");
  EXPECT_EQ(Query(user.get(), "where").code, platform::kErrorFileNotFound);
  EXPECT_EQ(Query(machine.get(), "where").data, std::string("machine\0", 8));
}

TEST_P(RegistryContractTest, AReadOnlyMachineRefusesWritesButNotReads) {
  Create("Locked", platform::kHkeyLocalMachine);
  if (!test_->MakeMachineReadOnly()) GTEST_SKIP() << "the machine root cannot be made read-only";
  platform::UniqueHkey key;
  EXPECT_EQ(Open("Locked", platform::kKeyAllAccess, &key, platform::kHkeyLocalMachine),
            platform::kErrorAccessDenied);
  ASSERT_EQ(Open("Locked", platform::kKeyRead, &key, platform::kHkeyLocalMachine),
            platform::kErrorSuccess);
  EXPECT_EQ(Set(key.get(), "v", platform::kRegDword, std::string(4, '\0')),
            platform::kErrorAccessDenied);
  Hkey raw = platform::kNoKey;
  EXPECT_EQ(registry().RegCreateKeyExA(platform::kHkeyLocalMachine, Path("Locked\\New").c_str(), 0,
                                       platform::kKeyAllAccess, &raw, nullptr),
            platform::kErrorAccessDenied);
  Create("Locked");  // the user root stays writable
}

// The platform's registry opens the machine's keys in the view the product reads, whichever
// program opens them: on a 64-bit system the 32-bit view of HKLM\Software, where the 32-bit
// program's keys are; the 64-bit view only when asked for. The user's keys are in both views.
TEST(PlatformRegistryViewTest, KeysAreInThe32BitViewUnlessTheCallerAsksForAnother) {
  const std::unique_ptr<TestRegistry> test = PlatformRegistryKind().make();
  platform::Registry& registry = test->registry();
  const std::string path = test->KeyRoot() + "\\View";
  for (const Hkey root : {platform::kHkeyLocalMachine, platform::kHkeyCurrentUser}) {
    Hkey raw = platform::kNoKey;
    ASSERT_EQ(
        registry.RegCreateKeyExA(root, path.c_str(), 0, platform::kKeyAllAccess, &raw, nullptr),
        platform::kErrorSuccess);
    platform::MakeUniqueHkey(registry, raw);
  }
  const auto open = [&](Hkey root, Dword view) {
    Hkey raw = platform::kNoKey;
    const Long code =
        registry.RegOpenKeyExA(root, path.c_str(), 0, platform::kKeyRead | view, &raw);
    platform::MakeUniqueHkey(registry, raw);
    return code;
  };
  EXPECT_EQ(open(platform::kHkeyLocalMachine, platform::kKeyWow6432Key), platform::kErrorSuccess);
  EXPECT_EQ(open(platform::kHkeyLocalMachine, platform::kKeyWow6464Key),
            platform::kErrorFileNotFound);
  for (const Dword view : {platform::kKeyWow6432Key, platform::kKeyWow6464Key}) {
    EXPECT_EQ(open(platform::kHkeyCurrentUser, view), platform::kErrorSuccess) << view;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Registries, RegistryContractTest,
    ::testing::Values(MemoryRegistryKind(),
                      RegistryKind{kDryRunKind,
                                   [] { return std::make_unique<DryRunTestRegistry>(); }},
                      PlatformRegistryKind()),
    RegistryKindName);

}  // namespace
}  // namespace regcorvex::test
