// Where a preference lives: its data scope, its category and the registry key path of both below
// the product's base key. Constant tables and pure lookups; a name that matches nothing falls back
// to a default, so none of them fails.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace regcorvex {

// Data scope of a preference. The per-user scopes live in the current user's hive, reading through
// to the machine hive; cfgPerMachine lives in the machine hive when that can be written.
enum cfgDataScope : std::uint8_t {
  cfgPerUserRoam = 0,
  cfgPerUserNonRoam = 1,
  cfgPerMachine = 2,
};

// The name of each scope element, case-sensitive, with the data scope it selects and what that
// scope means for people.
struct DataScopeName {
  const char* name;
  cfgDataScope scope;
  const char* meaning;
};
extern const std::array<DataScopeName, 3> DataScopeNames;
// The data scope of a scope element named none of DataScopeNames.
inline constexpr cfgDataScope kDefaultDataScope = cfgPerUserRoam;

// The product's key, the same path in both hives.
inline constexpr char PrefBaseKey[] = "Software\\Pellmoor Software Solutions\\Corvane 5";

// Category index 0 (cfgAll) is the base key itself; 36 is the default for unknown names.
inline constexpr char kCfgAllName[] = "cfgAll";
inline constexpr std::uint8_t cfgAll = 0;
inline constexpr std::uint8_t cfgUnknown = 36;
inline constexpr std::size_t kCategoryCount = 39;

// The registry key name of every category, indexed by category index.
extern const std::array<const char*, kCategoryCount> PrefCategoryNames;

// Preference locations by number; preferences always live at location 0, the registry.
extern const std::array<const char*, 4> PrefLocationNames;
inline constexpr std::size_t PrefLocation = 0;

// The enumerator's own name ("cfgPerMachine"...), or "" for a value outside the enumeration.
std::string GetDataScopeName(cfgDataScope scope);

// The entry of DataScopeNames named exactly name, or nullptr.
const DataScopeName* FindDataScope(const std::string& name);
// The scope that FindDataScope gives for name, kDefaultDataScope when it gives none.
cfgDataScope GetDataScope(const std::string& name);
// The name in DataScopeNames that selects scope, and what scope means ("per user, roaming"...);
// "" for a value outside the enumeration.
std::string GetDataScopeElementName(cfgDataScope scope);
std::string GetDataScopeMeaning(cfgDataScope scope);

// 0 for exactly kCfgAllName; otherwise the last table entry equal to name when both are lower-cased
// in the system's code page, or cfgUnknown when none is.
std::uint8_t GetCategoryIndex(const std::string& name);

// The key path below PrefBaseKey: the table's entry for a known name, "$Unknown\<name>" otherwise.
std::string GetCategoryKeyPath(const std::string& name);

}  // namespace regcorvex
