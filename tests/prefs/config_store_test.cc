#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "prefs/pref_error.h"
#include "tests/prefs/store_fixture.h"

namespace regcorvex::test {
namespace {

using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;
using Bytes = std::vector<std::uint8_t>;
using Write = std::function<void(TConfigBase&, const std::string& name)>;

Write Integer(std::int32_t value) {
  return [value](TConfigBase& store, const std::string& name) {
    store.SetPrefInteger("Cat", name, value);
  };
}
Write String(std::string value) {
  return [value](TConfigBase& store, const std::string& name) {
    store.SetPrefString("Cat", name, value);
  };
}
Write Boolean(bool value) {
  return [value](TConfigBase& store, const std::string& name) {
    store.SetPrefBooleanProc("Cat", name, value);
  };
}
Write Binary(Bytes value) {
  return [value](TConfigBase& store, const std::string& name) {
    store.SetPrefBinaryProc("Cat", name, value.data(), static_cast<std::int32_t>(value.size()));
  };
}

struct OverlayCase {
  const char* label;
  std::optional<StoredValue> machine;
  std::optional<StoredValue> user;
  Write write;
  std::optional<StoredValue> expected_user;
};

const std::vector<OverlayCase>& OverlayCases() {
  static const std::vector<OverlayCase> kCases = {
      {"integer equal to the machine's", DwordValue(5), {}, Integer(5), {}},
      {"integer other than the machine's", DwordValue(5), {}, Integer(6), DwordValue(6)},
      {"integer the user key holds", DwordValue(5), DwordValue(7), Integer(5), DwordValue(5)},
      {"integer the machine lacks", {}, {}, Integer(-1), DwordValue(-1)},
      {"string equal to the machine's", SzValue("Blue"), {}, String("Blue"), {}},
      {"string differing in case", SzValue("Blue"), {}, String("blue"), SzValue("blue")},
      {"string the user key holds", SzValue("Blue"), SzValue("Red"), String("Blue"),
       SzValue("Blue")},
      {"empty string equal to the machine's", SzValue(""), {}, String(""), {}},
      {"string the machine lacks", {}, {}, String("x"), SzValue("x")},
      {"true over a non-zero machine value", DwordValue(2), {}, Boolean(true), {}},
      {"true over a zero machine value", DwordValue(0), {}, Boolean(true), DwordValue(1)},
      {"false over a zero machine value", DwordValue(0), {}, Boolean(false), {}},
      {"false the machine lacks", {}, {}, Boolean(false), DwordValue(0)},
      {"binary equal to the machine's", BinaryValue({1, 2, 3}), {}, Binary({1, 2, 3}), {}},
      {"binary of another length", BinaryValue({1, 2, 3}), {}, Binary({1, 2}), BinaryValue({1, 2})},
      {"binary of the same length",
       BinaryValue({1, 2, 3}),
       {},
       Binary({1, 2, 4}),
       BinaryValue({1, 2, 4})},
      {"binary the user key holds", BinaryValue({1, 2, 3}), BinaryValue({9}), Binary({1, 2, 3}),
       BinaryValue({1, 2, 3})},
      {"empty binary over an empty machine value", BinaryValue({}), {}, Binary({}), {}},
      {"empty binary the machine lacks", {}, {}, Binary({}), BinaryValue({})},
  };
  return kCases;
}

class ConfigStoreContractTest : public ConfigStoreTest {
 protected:
  std::string OverlayKey(const std::string& prefix, std::size_t row) const {
    return Key(prefix + std::to_string(row));
  }

  void SeedOverlayCases(const std::string& prefix) {
    for (std::size_t row = 0; row < OverlayCases().size(); ++row) {
      const OverlayCase& c = OverlayCases()[row];
      if (c.machine) Seed(kHkeyLocalMachine, OverlayKey(prefix, row), "v", *c.machine);
      if (c.user) Seed(kHkeyCurrentUser, OverlayKey(prefix, row), "v", *c.user);
    }
  }

  void CheckOverlayCases(cfgDataScope scope, const std::string& prefix) {
    for (std::size_t row = 0; row < OverlayCases().size(); ++row) {
      const OverlayCase& c = OverlayCases()[row];
      SCOPED_TRACE(c.label);
      const std::string key = OverlayKey(prefix, row);
      ASSERT_TRUE(store_->OpenPref(scope, key, true, false));
      c.write(*store_, "v");
      store_->ClosePref();
      EXPECT_EQ(Read(kHkeyCurrentUser, key, "v"), c.expected_user);
      EXPECT_EQ(Read(kHkeyLocalMachine, key, "v"), c.machine);
    }
    EXPECT_EQ(Boxes(), std::vector<std::string>());
  }
};

TEST_P(ConfigStoreContractTest, UserScopesSkipWritesTheMachineKeySatisfies) {
  SeedOverlayCases("roam");
  SeedOverlayCases("nonroam");
  CheckOverlayCases(cfgPerUserRoam, "roam");
  CheckOverlayCases(cfgPerUserNonRoam, "nonroam");
}

// Several writes through one open of a new user key: each must see what the earlier ones wrote,
// under any spelling of the name, and long machine data must be compared whole.
TEST_P(ConfigStoreContractTest, WritesOfOneOpenSeeEachOther) {
  const std::string key = Key("sequence");
  const std::string long_text(300, 'x');
  Seed(kHkeyLocalMachine, key, "Flag", DwordValue(5));
  Seed(kHkeyLocalMachine, key, "Long", SzValue(long_text));
  Seed(kHkeyLocalMachine, key, "Gone", DwordValue(7));
  ASSERT_TRUE(store_->OpenPref(cfgPerUserRoam, key, true, false));
  store_->SetPrefInteger("Cat", "flag", 6);
  store_->SetPrefInteger("Cat", "FLAG", 5);  // the user key holds it now: written
  store_->SetPrefString("Cat", "Long", long_text);
  store_->SetPrefString("Cat", "Longer", long_text + "y");
  store_->SetPrefInteger("Cat", "Gone", 8);
  EXPECT_TRUE(store_->DeletePrefValue("Cat", "GONE"));
  store_->SetPrefInteger("Cat", "gone", 7);  // deleted again: the machine's value shows through
  store_->ClosePref();
  EXPECT_EQ(Read(kHkeyCurrentUser, key, "Flag"), DwordValue(5));
  EXPECT_EQ(Read(kHkeyCurrentUser, key, "Long"), std::nullopt);
  EXPECT_EQ(Read(kHkeyCurrentUser, key, "Longer"), SzValue(long_text + "y"));
  EXPECT_EQ(Read(kHkeyCurrentUser, key, "Gone"), std::nullopt);
  EXPECT_EQ(Boxes(), std::vector<std::string>());
}

TEST_P(ConfigStoreContractTest, PerMachineOnAnUnwritableHiveIsAUserOverlay) {
  SeedOverlayCases("ro");
  if (!test_registry_->MakeMachineReadOnly())
    GTEST_SKIP() << "the machine hive stays writable here";
  CheckOverlayCases(cfgPerMachine, "ro");
  // The probe could not create the machine keys that were missing.
  EXPECT_FALSE(HasKey(kHkeyLocalMachine, OverlayKey("ro", 3)));
}

TEST_P(ConfigStoreContractTest, PerMachineOnAWritableHiveWritesTheMachineKeyOnly) {
  const std::string key = Key("machine");
  Seed(kHkeyLocalMachine, key, "kept", DwordValue(1));
  ASSERT_TRUE(store_->OpenPref(cfgPerMachine, key, true, false));
  store_->SetPrefInteger("Cat", "i", 5);
  store_->SetPrefString("Cat", "s", "x");
  store_->SetPrefBooleanProc("Cat", "kept", false);
  store_->ClosePref();
  EXPECT_EQ(Read(kHkeyLocalMachine, key, "i"), DwordValue(5));
  EXPECT_EQ(Read(kHkeyLocalMachine, key, "s"), SzValue("x"));
  EXPECT_EQ(Read(kHkeyLocalMachine, key, "kept"), DwordValue(0));
  EXPECT_EQ(Read(kHkeyLocalMachine, key, "amdk328wlskdjf"), std::nullopt);
  EXPECT_FALSE(HasKey(kHkeyCurrentUser, key));
  EXPECT_EQ(Boxes(), std::vector<std::string>());
}

TEST_P(ConfigStoreContractTest, WritableProbeCreatesAMissingMachineKeyAndLeavesNothing) {
  const std::string key = Key("created\\by\\probe");
  EXPECT_TRUE(store_->OpenPref(cfgPerMachine, key, false, false));
  store_->ClosePref();
  EXPECT_TRUE(HasKey(kHkeyLocalMachine, key));
  EXPECT_EQ(Read(kHkeyLocalMachine, key, "amdk328wlskdjf"), std::nullopt);
  EXPECT_FALSE(HasKey(kHkeyCurrentUser, key));
  EXPECT_EQ(Boxes(), std::vector<std::string>());
}

TEST_P(ConfigStoreContractTest, ReadsFallThroughFromUserToMachineToDefault) {
  const std::string key = Key("reads");
  Seed(kHkeyLocalMachine, key, "both", DwordValue(5));
  Seed(kHkeyCurrentUser, key, "both", DwordValue(7));
  Seed(kHkeyLocalMachine, key, "machine", DwordValue(6));
  Seed(kHkeyCurrentUser, key, "user", DwordValue(8));
  Seed(kHkeyLocalMachine, key, "s", SzValue("m"));
  Seed(kHkeyLocalMachine, key, "flag", DwordValue(1));
  Seed(kHkeyLocalMachine, key, "bin", BinaryValue({1, 2}));
  Seed(kHkeyCurrentUser, key, "ubin", BinaryValue({3}));

  ASSERT_TRUE(store_->OpenPref(cfgPerUserRoam, key, false, true));
  const auto& ops = store_->Operations();
  EXPECT_EQ(ops.GetIntegerProc("Cat", "both", 0), 7);
  EXPECT_EQ(ops.GetIntegerProc("Cat", "machine", 0), 6);
  EXPECT_EQ(ops.GetIntegerProc("Cat", "none", 42), 42);
  EXPECT_EQ(ops.GetStringProc("Cat", "s", "d"), "m");
  EXPECT_EQ(ops.GetStringProc("Cat", "none", "d"), "d");
  EXPECT_TRUE(ops.GetBooleanProc("Cat", "flag", false));
  EXPECT_TRUE(ops.GetBooleanProc("Cat", "none", true));
  std::uint8_t buffer[4] = {};
  EXPECT_EQ(ops.GetBinaryProc("Cat", "bin", buffer, 4), 2);
  EXPECT_EQ(Bytes(buffer, buffer + 2), (Bytes{1, 2}));
  EXPECT_EQ(ops.GetBinaryProc("Cat", "ubin", buffer, 4), 1);
  EXPECT_EQ(buffer[0], 3);
  EXPECT_EQ(ops.GetBinaryProc("Cat", "none", buffer, 4), -1);
  try {
    ops.GetBinaryProc("Cat", "bin", buffer, 1);
    ADD_FAILURE() << "a value longer than the buffer was read";
  } catch (const PrefError& error) {
    EXPECT_STREQ(error.what(), "Invalid data type for 'bin'");
  }

  // A read-only open for the machine scope reads the machine key alone.
  ASSERT_TRUE(store_->OpenPref(cfgPerMachine, key, false, true));
  EXPECT_EQ(store_->Operations().GetIntegerProc("Cat", "both", 0), 5);
  EXPECT_EQ(store_->Operations().GetIntegerProc("Cat", "user", 0), 0);
  store_->ClosePref();
  EXPECT_EQ(Boxes(), std::vector<std::string>());
}

TEST_P(ConfigStoreContractTest, MachineValueOfAnotherTypeIsReportedAndNothingIsWritten) {
  const struct {
    const char* label;
    StoredValue machine;
    Write write;
    std::string box;
  } kCases[] = {
      {"integer over a long string", SzValue("12345"), Integer(1),
       "Corvane 5 Error: SetPrefInteger | SetPrefInteger: Failed to get data for 'v'"},
      {"integer over a short string", SzValue("5"), Integer(5),
       "Corvane 5 Error: SetPrefInteger | SetPrefInteger: Invalid data type for 'v'"},
      {"string over a dword", DwordValue(5), String("5"),
       "Corvane 5 Error: SetPrefString | SetPrefString: Invalid data type for 'v'"},
      {"boolean over one byte of binary", BinaryValue({1}), Boolean(true),
       "Corvane 5 Error: SetPrefBooleanProc | SetPrefBooleanProc: Invalid data type for 'v'"},
      {"binary over a string", SzValue("x"), Binary({1}),
       "Corvane 5 Error: SetPrefBinaryProc | SetPrefBinaryProc: Invalid data type for 'v'"},
      {"binary over a dword", DwordValue(1), Binary({1, 0, 0, 0}),
       "Corvane 5 Error: SetPrefBinaryProc | SetPrefBinaryProc: Invalid data type for 'v'"},
  };
  std::size_t row = 0;
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    const std::string key = Key("types" + std::to_string(row++));
    Seed(kHkeyLocalMachine, key, "v", c.machine);
    boxes_.boxes.clear();
    ASSERT_TRUE(store_->OpenPref(cfgPerUserRoam, key, true, false));
    c.write(*store_, "v");
    // The key stays open for the next value.
    store_->SetPrefInteger("Cat", "next", 1);
    store_->ClosePref();
    EXPECT_EQ(Boxes(), std::vector<std::string>{c.box});
    ASSERT_EQ(boxes_.boxes.size(), 1u);
    EXPECT_EQ(boxes_.boxes[0].owner, platform::kNoWindow);
    EXPECT_EQ(boxes_.boxes[0].type, kErrorBoxStyle);
    EXPECT_EQ(Read(kHkeyCurrentUser, key, "v"), std::nullopt);
    EXPECT_EQ(Read(kHkeyCurrentUser, key, "next"), DwordValue(1));
  }
}

TEST_P(ConfigStoreContractTest, FailedOpenWithoutCreateIsSilentAndClosesQuietly) {
  const std::string key = Key("absent");
  EXPECT_FALSE(store_->OpenPref(cfgPerUserRoam, key, false, false));
  EXPECT_EQ(Boxes(), std::vector<std::string>());
  EXPECT_TRUE(store_->Operations().CloseKeyProc.IsBound());
  store_->SetPrefInteger("Cat", "v", 1);
  store_->ClosePref();
  EXPECT_FALSE(store_->Operations().CloseKeyProc.IsBound());
  store_->ClosePref();
  EXPECT_EQ(Boxes(), (std::vector<std::string>{
                         "Corvane 5 Error: SetPrefInteger | SetPrefInteger: Failed to set data "
                         "for 'v'",
                         "Corvane 5 Error: ClosePref | ClosePref: Error: ClosePref",
                     }));
  EXPECT_FALSE(HasKey(kHkeyCurrentUser, key));
}

TEST_P(ConfigStoreContractTest, DeletePrefValueUncoversTheMachineValue) {
  const std::string key = Key("delete");
  Seed(kHkeyLocalMachine, key, "v", DwordValue(5));
  Seed(kHkeyCurrentUser, key, "v", DwordValue(7));
  ASSERT_TRUE(store_->OpenPref(cfgPerUserRoam, key, true, false));
  EXPECT_TRUE(store_->DeletePrefValue("Cat", "v"));
  EXPECT_EQ(store_->Operations().GetIntegerProc("Cat", "v", 0), 5);
  EXPECT_FALSE(store_->DeletePrefValue("Cat", "v"));
  store_->ClosePref();
  EXPECT_EQ(Read(kHkeyLocalMachine, key, "v"), DwordValue(5));
  EXPECT_EQ(Read(kHkeyCurrentUser, key, "v"), std::nullopt);
  EXPECT_EQ(Boxes(), std::vector<std::string>());
}

TEST_P(ConfigStoreContractTest, OpeningAgainReleasesThePreviousKey) {
  ASSERT_TRUE(store_->OpenPref(cfgPerUserRoam, Key("first"), true, false));
  ASSERT_TRUE(store_->OpenPref(cfgPerUserRoam, Key("second"), true, false));
  store_->SetPrefInteger("Cat", "v", 1);
  store_->ClosePref();
  EXPECT_EQ(Read(kHkeyCurrentUser, Key("second"), "v"), DwordValue(1));
  EXPECT_EQ(Read(kHkeyCurrentUser, Key("first"), "v"), std::nullopt);
}

TEST_P(ConfigStoreContractTest, KeyWithATrailingBackslashIsTheKeyItself) {
  ASSERT_TRUE(store_->OpenPref(cfgPerUserRoam, Key("base") + "\\", true, false));
  store_->SetPrefInteger("", "v", 3);
  store_->ClosePref();
  EXPECT_EQ(Read(kHkeyCurrentUser, Key("base"), "v"), DwordValue(3));
}

TEST_P(ConfigStoreContractTest, ValueNamesAndKeyDeletionInTheOverlay) {
  Seed(kHkeyCurrentUser, Key("names\\sub"), "a", DwordValue(1));
  Seed(kHkeyCurrentUser, Key("names\\sub"), "b", DwordValue(1));
  Seed(kHkeyCurrentUser, Key("names\\sub\\deeper"), "c", DwordValue(1));
  Seed(kHkeyLocalMachine, Key("names\\msub"), "m", DwordValue(1));
  const auto& ops = store_->Operations();

  ASSERT_TRUE(store_->OpenPref(cfgPerUserRoam, Key("names"), false, false));
  std::vector<std::string> names;
  ops.GetValueNamesProc("Cat", "sub", names);
  EXPECT_EQ(names, (std::vector<std::string>{"a", "b"}));

  ASSERT_TRUE(store_->OpenPref(cfgPerUserRoam, Key("names"), false, false));
  names.clear();
  ops.GetValueNamesProc("Cat", "msub", names);
  EXPECT_EQ(names, std::vector<std::string>{"m"});

  ASSERT_TRUE(store_->OpenPref(cfgPerUserRoam, Key("names"), false, false));
  EXPECT_FALSE(ops.DeleteKeyProc(""));
  EXPECT_TRUE(HasKey(kHkeyCurrentUser, Key("names")));
  EXPECT_TRUE(ops.DeleteKeyProc("sub"));
  EXPECT_FALSE(HasKey(kHkeyCurrentUser, Key("names\\sub")));
  EXPECT_FALSE(ops.DeleteKeyProc("msub"));
  store_->ClosePref();
  EXPECT_TRUE(HasKey(kHkeyLocalMachine, Key("names\\msub")));
  EXPECT_EQ(Boxes(), std::vector<std::string>());
}

INSTANTIATE_TEST_SUITE_P(Registries, ConfigStoreContractTest,
                         ::testing::ValuesIn(AllRegistryKinds()), RegistryKindName);

}  // namespace
}  // namespace regcorvex::test
