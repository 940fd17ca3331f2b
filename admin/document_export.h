// A configuration document written from the product's registry values: each key below the base
// key becomes the category element that the import reads back into that key, each value an
// element of its type, names and texts spelled so that the import decodes them back exactly.
// The current user's values go under PerUserRoam, then the machine's under PerMachine, so that an
// import into an empty registry writes every user value before the machine defaults exist. What
// a document cannot carry is listed with the reason, never dropped.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "admin/registry_tree.h"
#include "prefs/pref_keys.h"

namespace regcorvex {

// A key of the product: cfgPerUserRoam for the current user's, cfgPerMachine for the machine's.
struct ExportKey {
  cfgDataScope scope;
  std::string path;  // below PrefBaseKey, "" for the base key itself
  std::vector<TreeValue> values;
  platform::Long status = platform::kErrorSuccess;  // not kErrorSuccess: it could not be read
  bool link = false;                                // a link to another key, which is not followed
  bool deleted = false;  // a registry file deletes the key and every key below it
  std::vector<std::string> deleted_values;  // values a registry file deletes
};

struct ExportOmission {
  cfgDataScope scope;
  std::string key;        // below PrefBaseKey
  bool whole_key;         // the key with all its values (values counts them); else one value
  bool deletion = false;  // a deletion of the key or the value, which no document can carry
  std::size_t values = 1;
  std::string name;
  platform::Dword type = platform::kRegNone;
  std::string reason;
};

struct ExportResult {
  std::string document;  // UTF-8
  std::size_t exported = 0;
  std::vector<ExportOmission> omitted;
};

ExportResult ExportDocument(const std::vector<ExportKey>& keys);

// The product key a registry key lies in, with its path below PrefBaseKey; none for a key outside
// both product keys. The machine's key may be named through Software\Wow6432Node, as a 64-bit
// program sees the 32-bit view.
struct ProductKey {
  cfgDataScope scope;
  std::string path;
};
std::optional<ProductKey> ProductKeyOf(platform::Hkey root, const std::string& path);

// The registry root and the path below it of a product key.
platform::Hkey ScopeRoot(cfgDataScope scope);
std::string FullKeyPath(const std::string& path);

}  // namespace regcorvex
