// Store behaviour that needs a registry failing on purpose: only the in-memory stand-in does that.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "prefs/pref_error.h"
#include "tests/prefs/store_fixture.h"
#include "tests/support/memory_registry.h"

namespace regcorvex::test {
namespace {

using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;
using Call = MemoryRegistry::Call;

class ConfigStoreMemoryTest : public ConfigStoreTest {
 protected:
  MemoryRegistry& memory() { return static_cast<MemoryRegistry&>(registry()); }
};

TEST_P(ConfigStoreMemoryTest, EveryOperationReportsTheClosedStore) {
  const struct {
    const char* label;
    std::function<void(TConfigBase&)> call;
    std::string caption;
    std::string text;
  } kCases[] = {
      {"SetPrefInteger", [](TConfigBase& s) { s.SetPrefInteger("Cat", "v", 1); },
       "Corvane 5 Error: SetPrefInteger",
       "SetPrefInteger: Error writing integer to preferences: SetPrefInteger"},
      {"SetPrefString", [](TConfigBase& s) { s.SetPrefString("Cat", "v", "x"); },
       "Corvane 5 Error: SetPrefString",
       "SetPrefString: Error writing string to preferences: SetPrefString"},
      {"SetPrefBooleanProc", [](TConfigBase& s) { s.SetPrefBooleanProc("Cat", "v", true); },
       "Corvane 5 Error: SetPrefBooleanProc",
       "SetPrefBooleanProc: Error reading boolean from preferences: SetPrefBooleanProc"},
      {"SetPrefBinaryProc",
       [](TConfigBase& s) {
         const std::uint8_t byte = 1;
         s.SetPrefBinaryProc("Cat", "v", &byte, 1);
       },
       "Corvane 5 Error: SetPrefBinaryProc",
       "SetPrefBinaryProc: Error reading binary from preferences: SetPrefBooleanProc"},
      {"DeletePrefValue", [](TConfigBase& s) { EXPECT_FALSE(s.DeletePrefValue("Cat", "v")); },
       "Corvane 5 Error: DeletePrefValue",
       "DeletePrefValue: Error reading string from preferences: DeletePrefValue"},
      {"ClosePref", [](TConfigBase& s) { s.ClosePref(); }, "Corvane 5 Error: ClosePref",
       "ClosePref: Error: ClosePref"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    boxes_.boxes.clear();
    c.call(*store_);
    ASSERT_EQ(boxes_.boxes.size(), 1u);
    EXPECT_EQ(boxes_.boxes[0].caption, c.caption);
    EXPECT_EQ(boxes_.boxes[0].text, c.text);
    EXPECT_EQ(boxes_.boxes[0].owner, platform::kNoWindow);
    EXPECT_EQ(boxes_.boxes[0].type, kErrorBoxStyle);
    EXPECT_FALSE(boxes_.boxes[0].is_dialog);
  }
  EXPECT_EQ(memory().OpenHandleCount(), 0u);
  EXPECT_THROW(store_->Operations().GetIntegerProc("Cat", "v", 0), PrefError);
}

TEST_P(ConfigStoreMemoryTest, OpenFailureMessage) {
  const std::string kIntro =
      "OpenPref Error: Unable to open Preferences.\r\n\r\nPrefLocation: Registry\r\n";
  const struct {
    const char* label;
    cfgDataScope scope;
    bool can_create;
    std::function<void(MemoryRegistry&)> inject;
    std::optional<std::string> text;
  } kCases[] = {
      {"create refused", cfgPerUserNonRoam, true,
       [](MemoryRegistry& r) { r.FailCall(Call::kCreateKey, platform::kErrorAccessDenied); },
       kIntro + "cfgDataScope: cfgPerUserNonRoam\r\nKey: Some\\Key\r\n\r\n"},
      {"open refused without create", cfgPerUserRoam, false,
       [](MemoryRegistry& r) { r.FailCall(Call::kOpenKey, platform::kErrorAccessDenied); },
       std::nullopt},
      {"error raised during the open", cfgPerUserRoam, false,
       [](MemoryRegistry& r) { r.ThrowOnCall(Call::kOpenKey, "disk on fire"); },
       kIntro + "cfgDataScope: cfgPerUserRoam\r\nKey: Some\\Key\r\n\r\ndisk on fire"},
      {"machine scope, nothing writable", cfgPerMachine, true,
       [](MemoryRegistry& r) {
         r.SetReadOnly(kHkeyLocalMachine, true);
         r.SetReadOnly(kHkeyCurrentUser, true);
       },
       kIntro + "cfgDataScope: cfgPerMachine\r\nKey: Some\\Key\r\n\r\n"},
      {"scope outside the enumeration", static_cast<cfgDataScope>(7), true,
       [](MemoryRegistry& r) { r.FailCall(Call::kCreateKey, platform::kErrorAccessDenied); },
       kIntro + "cfgDataScope: \r\nKey: Some\\Key\r\n\r\n"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    auto test_registry = MemoryRegistryKind().make();
    auto& memory_registry = static_cast<MemoryRegistry&>(test_registry->registry());
    c.inject(memory_registry);
    RecordingMessageBoxes boxes;
    {
      TConfigManager store(memory_registry, boxes, kApplicationWindow);
      EXPECT_FALSE(store.OpenPref(c.scope, "Some\\Key", c.can_create, false));
      EXPECT_TRUE(store.Operations().CloseKeyProc.IsBound());
      store.ClosePref();
    }
    if (!c.text) {
      EXPECT_TRUE(boxes.boxes.empty());
      continue;
    }
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, *c.text);
    EXPECT_EQ(boxes.boxes[0].caption, "Corvane 5 OpenPref Error");
    EXPECT_EQ(boxes.boxes[0].owner, kApplicationWindow);
    EXPECT_EQ(boxes.boxes[0].type, kErrorBoxStyle);
  }
}

TEST_P(ConfigStoreMemoryTest, FailedWriteIsReportedAndTheKeyStaysOpen) {
  memory().FailCall(Call::kSetValue, platform::kErrorWriteFault, "bad");
  ASSERT_TRUE(store_->OpenPref(cfgPerUserRoam, Key("w"), true, false));
  store_->SetPrefString("Cat", "bad", "x");
  store_->SetPrefString("Cat", "good", "y");
  store_->ClosePref();
  EXPECT_EQ(Boxes(), std::vector<std::string>{
                         "Corvane 5 Error: SetPrefString | SetPrefString: Failed to set data for "
                         "'bad'"});
  EXPECT_EQ(Read(kHkeyCurrentUser, Key("w"), "good"), SzValue("y"));
}

TEST_P(ConfigStoreMemoryTest, ProbeThatCannotWriteChoosesTheOverlay) {
  SeedKey(kHkeyLocalMachine, Key("p"));
  memory().FailCall(Call::kSetValue, platform::kErrorAccessDenied, "amdk328wlskdjf");
  ASSERT_TRUE(store_->OpenPref(cfgPerMachine, Key("p"), true, false));
  store_->SetPrefInteger("Cat", "v", 1);
  store_->ClosePref();
  EXPECT_EQ(Read(kHkeyCurrentUser, Key("p"), "v"), DwordValue(1));
  EXPECT_EQ(Read(kHkeyLocalMachine, Key("p"), "v"), std::nullopt);
}

TEST_P(ConfigStoreMemoryTest, HandlesLiveOnlyWhileAKeyIsOpen) {
  SeedKey(kHkeyLocalMachine, Key("a"));
  ASSERT_TRUE(store_->OpenPref(cfgPerUserRoam, Key("a"), true, false));
  EXPECT_EQ(memory().OpenHandleCount(), 2u);
  ASSERT_TRUE(store_->OpenPref(cfgPerMachine, Key("a"), true, false));
  EXPECT_EQ(memory().OpenHandleCount(), 1u);
  store_->ClosePref();
  EXPECT_EQ(memory().OpenHandleCount(), 0u);
  ASSERT_TRUE(store_->OpenPref(cfgPerUserRoam, Key("a"), true, false));
  store_.reset();
  EXPECT_EQ(memory().OpenHandleCount(), 0u);
}

TEST_P(ConfigStoreMemoryTest, RoutinesWithoutAnOpenKeyLeaveTheHiveAlone) {
  Seed(kHkeyCurrentUser, "Victim", "v", DwordValue(1));
  Seed(kHkeyCurrentUser, "Victim\\Sub", "v", DwordValue(1));
  EXPECT_FALSE(store_->OpenPref(cfgPerUserRoam, Key("absent"), false, false));
  std::vector<std::string> names;
  store_->Operations().GetValueNamesProc("Cat", "Victim", names);
  EXPECT_TRUE(names.empty());
  EXPECT_FALSE(store_->Operations().DeleteKeyProc("Victim"));
  EXPECT_TRUE(HasKey(kHkeyCurrentUser, "Victim\\Sub"));

  // Closing through the table itself releases the accessors but leaves the entries bound.
  store_->Operations().CloseKeyProc();
  store_->SetPrefInteger("Cat", "v", 1);
  store_->ClosePref();
  EXPECT_EQ(Boxes(), std::vector<std::string>{
                         "Corvane 5 Error: SetPrefInteger | SetPrefInteger: No preference key is "
                         "open"});
}

INSTANTIATE_TEST_SUITE_P(Registries, ConfigStoreMemoryTest, ::testing::Values(MemoryRegistryKind()),
                         RegistryKindName);

}  // namespace
}  // namespace regcorvex::test
