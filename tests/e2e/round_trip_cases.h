// Registries to export and import again: every category in both scopes, every type, names and
// texts with every character the escapes touch, values at the limits, and what a document cannot
// carry. One table for the native programs and for the Windows programs under Wine.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "admin/document_export.h"
#include "platform/registry.h"

namespace regcorvex::test {

struct SeededValue {
  cfgDataScope scope;  // cfgPerUserRoam or cfgPerMachine
  std::string key;     // below PrefBaseKey
  std::string name;
  platform::Dword type;
  std::vector<std::uint8_t> data;
  bool carried = true;  // false: the export must list it
};

struct RoundTripCase {
  const char* label;
  std::vector<SeededValue> values;
};

const std::vector<RoundTripCase>& RoundTripCases();

// Writes the case's values into the product's keys.
void SeedRegistry(platform::Registry& registry, const RoundTripCase& c);

// Every value below both product keys: "HKCU\<key below the base key>|<name>" to type and data.
using ProductSnapshot =
    std::map<std::string, std::pair<platform::Dword, std::vector<std::uint8_t>>>;
ProductSnapshot TakeProductSnapshot(platform::Registry& registry);
// What the import of the export must leave in an empty registry: the carried values.
ProductSnapshot CarriedValues(const RoundTripCase& c);
// The slots ("HKCU\key|name") of the values the export must list, and those it listed.
std::vector<std::string> ExpectedOmissions(const RoundTripCase& c);
std::vector<std::string> ListedOmissions(const RoundTripCase& c,
                                         const std::vector<ExportOmission>& omitted);

// Previews the import of document on the original registry: it must walk the document and find
// each of the carried values unchanged.
void ExpectEveryValueUnchanged(const std::string& document, platform::Registry& original,
                               std::size_t carried);

}  // namespace regcorvex::test
