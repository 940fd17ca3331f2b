#include "prefs/pref_keys.h"

#include "platform/code_page.h"

namespace regcorvex {
namespace {

const DataScopeName* EntryOf(cfgDataScope scope) {
  for (const DataScopeName& entry : DataScopeNames) {
    if (entry.scope == scope) return &entry;
  }
  return nullptr;
}

}  // namespace

const std::array<const char*, kCategoryCount> PrefCategoryNames = {
    "",
    "AdvOptions",
    "Appearance",
    "Backup",
    "Capture",
    "Categories",
    "Commands",
    "Delays",
    "Editor",
    "Email Server",
    "Errors",
    "Explorer",
    "Files",
    "Persistent Files",
    "Fonts",
    "General Activations",
    "MAPI",
    "MenuBuilder",
    "Menu Editor",
    "Misc",
    "MRU",
    "Network",
    "Paths",
    "Playback",
    "Scheduler",
    "Typecodes",
    "Startup",
    "System Macros",
    "Notification Area",
    "Dont Ask",
    "Windows",
    "Toolbars",
    "External Script",
    "Updates",
    "Cust Commands",
    "$Temp",
    "$Unknown",
    "Miscellaneous",
    "",
};

const std::array<DataScopeName, 3> DataScopeNames = {{
    {"PerUserRoam", cfgPerUserRoam, "per user, roaming"},
    {"PerUserNonRoam", cfgPerUserNonRoam, "per user, not roaming"},
    {"PerMachine", cfgPerMachine, "per machine"},
}};

const std::array<const char*, 4> PrefLocationNames = {"Registry", "File", "On USB",
                                                      "Registry Classic"};

std::string GetDataScopeName(cfgDataScope scope) {
  switch (scope) {
    case cfgPerUserRoam:
      return "cfgPerUserRoam";
    case cfgPerUserNonRoam:
      return "cfgPerUserNonRoam";
    case cfgPerMachine:
      return "cfgPerMachine";
  }
  return "";
}

const DataScopeName* FindDataScope(const std::string& name) {
  for (const DataScopeName& entry : DataScopeNames) {
    if (name == entry.name) return &entry;
  }
  return nullptr;
}

cfgDataScope GetDataScope(const std::string& name) {
  const DataScopeName* entry = FindDataScope(name);
  return entry ? entry->scope : kDefaultDataScope;
}

std::string GetDataScopeElementName(cfgDataScope scope) {
  const DataScopeName* entry = EntryOf(scope);
  return entry ? entry->name : "";
}

std::string GetDataScopeMeaning(cfgDataScope scope) {
  const DataScopeName* entry = EntryOf(scope);
  return entry ? entry->meaning : "";
}

std::uint8_t GetCategoryIndex(const std::string& name) {
  if (name == kCfgAllName) return cfgAll;
  const std::string lowered = platform::CharLowerBuffA(name);
  std::uint8_t result = cfgUnknown;
  for (std::size_t index = 0; index < PrefCategoryNames.size(); ++index) {
    if (platform::CharLowerBuffA(PrefCategoryNames[index]) == lowered) {
      result = static_cast<std::uint8_t>(index);
    }
  }
  return result;
}

std::string GetCategoryKeyPath(const std::string& name) {
  const std::uint8_t index = GetCategoryIndex(name);
  if (index == cfgUnknown) return std::string(PrefCategoryNames[cfgUnknown]) + "\\" + name;
  return PrefCategoryNames[index];
}

}  // namespace regcorvex
