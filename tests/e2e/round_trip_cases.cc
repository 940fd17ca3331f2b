#include "tests/e2e/round_trip_cases.h"

#include <gtest/gtest.h>
#include <algorithm>

#include "admin/import_preview.h"
#include "admin/registry_tree.h"
#include "platform/unique_hkey.h"

namespace regcorvex::test {
namespace {

using platform::Dword;
using Bytes = std::vector<std::uint8_t>;

Bytes Le(std::uint32_t value) {
  return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
          static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

Bytes Text(const std::string& text) {
  Bytes data(text.begin(), text.end());
  data.push_back(0);
  return data;
}

SeededValue Dw(cfgDataScope scope, const std::string& key, const std::string& name,
               std::uint32_t value) {
  return {scope, key, name, platform::kRegDword, Le(value)};
}
SeededValue Sz(cfgDataScope scope, const std::string& key, const std::string& name,
               const std::string& text) {
  return {scope, key, name, platform::kRegSz, Text(text)};
}
SeededValue Bin(cfgDataScope scope, const std::string& key, const std::string& name, Bytes data) {
  return {scope, key, name, platform::kRegBinary, std::move(data)};
}
SeededValue Lost(SeededValue value) {
  value.carried = false;
  return value;
}

std::string Slot(cfgDataScope scope, const std::string& key, const std::string& name) {
  return std::string(scope == cfgPerMachine ? "HKLM\\" : "HKCU\\") + key + "|" + name;
}

std::vector<RoundTripCase> MakeCases() {
  std::vector<RoundTripCase> cases;

  RoundTripCase categories{"every category of the table in both scopes", {}};
  for (std::size_t index = 0; index < PrefCategoryNames.size(); ++index) {
    if (index == cfgUnknown || index == 35 || index == 38) continue;  // $Temp is never imported
    for (const cfgDataScope scope : {cfgPerUserRoam, cfgPerMachine}) {
      categories.values.push_back(Dw(scope, PrefCategoryNames[index], "Index", Dword(index)));
    }
  }
  categories.values.push_back(Sz(cfgPerUserRoam, "$Unknown\\Plug In [beta]", "Name", "x"));
  categories.values.push_back(Sz(cfgPerMachine, "$Unknown\\schedules", "Name", "lower case"));
  cases.push_back(categories);

  Bytes every_byte(256);
  for (std::size_t i = 0; i < every_byte.size(); ++i) every_byte[i] = static_cast<std::uint8_t>(i);
  Bytes large(40000);
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<std::uint8_t>(i * 7);
  cases.push_back(
      {"every type, values at the limits",
       {Dw(cfgPerUserRoam, "Misc", "Zero", 0), Dw(cfgPerUserRoam, "Misc", "Max", 0x7FFFFFFF),
        Dw(cfgPerUserRoam, "Misc", "Min", 0x80000000),
        Dw(cfgPerUserRoam, "Misc", "All Ones", 0xFFFFFFFF), Sz(cfgPerUserRoam, "Misc", "Empty", ""),
        Sz(cfgPerUserRoam, "Misc", "Long", std::string(20000, 'L')),
        Bin(cfgPerUserRoam, "Misc", "No Bytes", {}), Bin(cfgPerUserRoam, "Misc", "One", {0}),
        Bin(cfgPerUserRoam, "Misc", "Every Byte", every_byte),
        Bin(cfgPerMachine, "Misc", "Past The Buffer", large),
        Sz(cfgPerUserRoam, "", "At The Base", "base"), Sz(cfgPerMachine, "", "Empty At Base", ""),
        Bin(cfgPerMachine, "", "No Bytes At Base", {}),
        Dw(cfgPerUserRoam, "Misc", std::string(16383, 'N'), 1)}});

  std::string high;
  for (int c = 0x80; c <= 0xFF; ++c) high += static_cast<char>(c);
  cases.push_back(
      {"names and texts with every escapable character",
       {Sz(cfgPerUserRoam, "Paths", "Item[2]", "C:\\Program Files\\Corvane [x86]"),
        Sz(cfgPerUserRoam, "Paths", "$Price $", "$lt; $gt; &amp; &#34; &pos; $5 & < > \" '"),
        Sz(cfgPerUserRoam, "Paths", " Leading And Trailing ", "  two  spaces  "),
        Sz(cfgPerUserRoam, "Paths", "Ligne.\xE9-\xFF", high),
        Sz(cfgPerUserRoam, "Paths", "Breaks", "\tone\r\ntwo\rthree\nfour\t"),
        Sz(cfgPerUserRoam, "Paths", "Brackets", "[[]] ][ x0x5B 0x24x 0x5D"),
        Sz(cfgPerMachine, "Email Server", "Only Spaces", "   "),
        Sz(cfgPerMachine, "Email Server", "Markup", "<a href=\"x\">&nbsp;</a> ]]>")}});

  cases.push_back(
      {"what a document cannot carry",
       {Sz(cfgPerUserRoam, "Editor", "Kept", "beside the lost ones"),
        Lost({cfgPerUserRoam, "Editor", "Expand", platform::kRegExpandSz, Text("%TEMP%")}),
        Lost({cfgPerUserRoam, "Editor", "Multi", platform::kRegMultiSz, {'a', 0, 'b', 0, 0}}),
        Lost({cfgPerUserRoam, "Editor", "Quad", platform::kRegQword, Bytes(8, 1)}),
        Lost({cfgPerUserRoam, "Editor", "None", platform::kRegNone, {}}),
        Lost({cfgPerUserRoam, "Editor", "Short", platform::kRegDword, {1, 2}}),
        Lost({cfgPerUserRoam, "Editor", "Unended", platform::kRegSz, {'a', 'b'}}),
        Lost({cfgPerUserRoam, "Editor", "Inner Nul", platform::kRegSz, {'a', 0, 'b', 0}}),
        Lost(Sz(cfgPerUserRoam, "Editor", "Under_Score", "x")),
        Lost(Sz(cfgPerUserRoam, "Editor", "1st", "x")),
        Lost(Sz(cfgPerUserRoam, "Editor", "a\\b", "x")),
        Lost(Sz(cfgPerUserRoam, "Editor", "", "the default value")),
        Lost(Sz(cfgPerUserRoam, "Editor", "a 0x24 b", "x")),
        Lost(Sz(cfgPerUserRoam, "Editor", "x 0x5B y", "x")),
        Lost(Sz(cfgPerUserRoam, "Editor", "Text Underscore", "my_file")),
        Lost(Sz(cfgPerUserRoam, "Editor", "Tab Only", "\t\r\n")),
        Lost(Sz(cfgPerUserRoam, "Editor", "Control", "bell\x07")),
        Lost(Sz(cfgPerUserRoam, "Editor", "Dollar Lookalike", "&#36;")),
        Lost(Sz(cfgPerUserRoam, "Editor", "Bracket Lookalike", "a 0x5B b")),
        Lost(Dw(cfgPerUserRoam, "$Temp", "Scratch", 1)),
        Lost(Dw(cfgPerMachine, "Appearance\\Deeper", "Nested", 1)),
        Lost(Dw(cfgPerMachine, "$Unknown\\Schedules", "Never", 1)),
        Lost(Dw(cfgPerMachine, "$Unknown\\appearance", "Shadowed", 1)),
        Lost(Dw(cfgPerMachine, "$Unknown\\Under_Score", "Category", 1))}});
  return cases;
}

void ReadInto(platform::Registry& registry, cfgDataScope scope, ProductSnapshot& out) {
  const TreeRead read = ReadKeyTree(registry, ScopeRoot(scope), PrefBaseKey);
  for (const TreeKey& key : read.keys) {
    EXPECT_EQ(key.status, platform::kErrorSuccess) << key.path;
    const std::string below = ProductKeyOf(ScopeRoot(scope), key.path)->path;
    for (const TreeValue& value : key.values) {
      out[Slot(scope, below, value.name)] = {value.type, value.data};
    }
  }
}

}  // namespace

const std::vector<RoundTripCase>& RoundTripCases() {
  static const std::vector<RoundTripCase> cases = MakeCases();
  return cases;
}

void SeedRegistry(platform::Registry& registry, const RoundTripCase& c) {
  for (const SeededValue& value : c.values) {
    const std::string key = FullKeyPath(value.key);
    platform::Hkey opened = platform::kNoKey;
    ASSERT_EQ(registry.RegCreateKeyExA(ScopeRoot(value.scope), key.c_str(), 0,
                                       platform::kKeyAllAccess, &opened, nullptr),
              platform::kErrorSuccess)
        << key;
    const auto owned = platform::MakeUniqueHkey(registry, opened);
    ASSERT_EQ(registry.RegSetValueExA(owned.get(), value.name.c_str(), value.type,
                                      value.data.data(), static_cast<Dword>(value.data.size())),
              platform::kErrorSuccess)
        << key << "|" << value.name;
  }
}

ProductSnapshot TakeProductSnapshot(platform::Registry& registry) {
  ProductSnapshot out;
  ReadInto(registry, cfgPerUserRoam, out);
  ReadInto(registry, cfgPerMachine, out);
  return out;
}

ProductSnapshot CarriedValues(const RoundTripCase& c) {
  ProductSnapshot out;
  for (const SeededValue& value : c.values) {
    if (value.carried) out[Slot(value.scope, value.key, value.name)] = {value.type, value.data};
  }
  return out;
}

std::vector<std::string> ExpectedOmissions(const RoundTripCase& c) {
  std::vector<std::string> slots;
  for (const SeededValue& value : c.values) {
    if (!value.carried) slots.push_back(Slot(value.scope, value.key, value.name));
  }
  std::sort(slots.begin(), slots.end());
  return slots;
}

std::vector<std::string> ListedOmissions(const RoundTripCase& c,
                                         const std::vector<ExportOmission>& omitted) {
  std::vector<std::string> slots;
  for (const ExportOmission& omission : omitted) {
    if (!omission.whole_key) {
      slots.push_back(Slot(omission.scope, omission.key, omission.name));
      continue;
    }
    for (const SeededValue& value : c.values) {
      if (value.scope == omission.scope && value.key == omission.key) {
        slots.push_back(Slot(value.scope, value.key, value.name));
      }
    }
  }
  std::sort(slots.begin(), slots.end());
  return slots;
}

void ExpectEveryValueUnchanged(const std::string& document, platform::Registry& original,
                               std::size_t carried) {
  const PreviewReport preview = PreviewImport(document, original);
  EXPECT_EQ(preview.outcome.kind, WalkOutcome::Kind::kWalked) << preview.outcome.text;
  EXPECT_EQ(preview.entries.size(), carried);
  for (const PreviewEntry& entry : preview.entries) {
    EXPECT_EQ(entry.outcome, PreviewEntry::Outcome::kUnchanged)
        << entry.key << "|" << entry.name << ": " << entry.message;
  }
}

}  // namespace regcorvex::test
