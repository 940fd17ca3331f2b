#include "prefs/pref_keys.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace regcorvex {
namespace {

TEST(PrefKeysTest, DataScopeNamesAreExactAndCaseSensitive) {
  const struct {
    const char* name;
    cfgDataScope expected;
  } kCases[] = {
      {"PerUserRoam", cfgPerUserRoam}, {"PerUserNonRoam", cfgPerUserNonRoam},
      {"PerMachine", cfgPerMachine},   {"permachine", cfgPerUserRoam},
      {"PERMACHINE", cfgPerUserRoam},  {"", cfgPerUserRoam},
      {"Machine", cfgPerUserRoam},     {"PerMachine ", cfgPerUserRoam},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(GetDataScope(c.name), c.expected) << '"' << c.name << '"';
  }
}

// The export writes each scope under its element name; the import must read it back to that scope.
TEST(PrefKeysTest, EachDataScopeHasAnElementNameThatSelectsIt) {
  for (const cfgDataScope scope : {cfgPerUserRoam, cfgPerUserNonRoam, cfgPerMachine}) {
    const std::string name = GetDataScopeElementName(scope);
    ASSERT_NE(FindDataScope(name), nullptr) << GetDataScopeName(scope);
    EXPECT_EQ(FindDataScope(name)->scope, scope) << name;
    EXPECT_FALSE(GetDataScopeMeaning(scope).empty()) << name;
  }
  EXPECT_EQ(GetDataScopeElementName(static_cast<cfgDataScope>(3)), "");
  EXPECT_EQ(FindDataScope("permachine"), nullptr);
}

TEST(PrefKeysTest, DataScopeNameOfEachEnumerator) {
  EXPECT_EQ(GetDataScopeName(cfgPerUserRoam), "cfgPerUserRoam");
  EXPECT_EQ(GetDataScopeName(cfgPerUserNonRoam), "cfgPerUserNonRoam");
  EXPECT_EQ(GetDataScopeName(cfgPerMachine), "cfgPerMachine");
  EXPECT_EQ(GetDataScopeName(static_cast<cfgDataScope>(3)), "");
  EXPECT_EQ(sizeof(cfgDataScope), 1u);
}

TEST(PrefKeysTest, CategoryIndexAndKeyPath) {
  const struct {
    const char* name;
    int index;
    const char* path;
  } kCases[] = {
      {"cfgAll", 0, ""},
      {"cfgall", 36, "$Unknown\\cfgall"},
      {"CFGALL", 36, "$Unknown\\CFGALL"},
      {"AdvOptions", 1, "AdvOptions"},
      {"advoptions", 1, "AdvOptions"},
      {"email server", 9, "Email Server"},
      {"Misc", 19, "Misc"},
      {"Miscellaneous", 37, "Miscellaneous"},
      {"$temp", 35, "$Temp"},
      {"$Unknown", 36, "$Unknown\\$Unknown"},
      {"$unknown", 36, "$Unknown\\$unknown"},
      {"Schedules", 36, "$Unknown\\Schedules"},
      {"", 38, ""},
      {"Sub\\Key", 36, "$Unknown\\Sub\\Key"},
      {"MAPI", 16, "MAPI"},
      {"mru", 20, "MRU"},
      {"Cust Commands", 34, "Cust Commands"},
      {"$TEMP", 35, "$Temp"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string("name \"") + c.name + '"');
    EXPECT_EQ(GetCategoryIndex(c.name), c.index);
    EXPECT_EQ(GetCategoryKeyPath(c.name), c.path);
  }
}

TEST(PrefKeysTest, CategoryTableAndLocations) {
  ASSERT_EQ(PrefCategoryNames.size(), 39u);
  EXPECT_STREQ(PrefCategoryNames[0], "");
  EXPECT_STREQ(PrefCategoryNames[13], "Persistent Files");
  EXPECT_STREQ(PrefCategoryNames[29], "Dont Ask");
  EXPECT_STREQ(PrefCategoryNames[38], "");
  // Every non-empty entry maps back to itself.
  for (std::size_t index = 1; index < 38; ++index) {
    EXPECT_EQ(GetCategoryIndex(PrefCategoryNames[index]), index) << PrefCategoryNames[index];
  }
  EXPECT_STREQ(PrefBaseKey, "Software\\Pellmoor Software Solutions\\Corvane 5");
  EXPECT_STREQ(PrefLocationNames[PrefLocation], "Registry");
  EXPECT_STREQ(PrefLocationNames[3], "Registry Classic");
}

}  // namespace
}  // namespace regcorvex
