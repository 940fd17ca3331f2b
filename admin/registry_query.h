// The registry as `reg query` prints it: a key's values (and with recursion every subkey's), one
// line per value with its name, type and data, keys separated by blank lines.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "admin/registry_view.h"
#include "platform/registry.h"

namespace regcorvex {

// Splits "HKCU\...", "HKEY_LOCAL_MACHINE\..." or "HKU\..." into its root and the path below it.
struct RegistryPath {
  platform::Hkey root;
  std::string root_name;  // the long form, as printed
  std::string path;
  RegistryView view = kProductView;
};
std::optional<RegistryPath> ParseRegistryPath(const std::string& text);
// "HKEY_CURRENT_USER" or "HKEY_LOCAL_MACHINE"; empty for another key.
std::string RegistryRootName(platform::Hkey root);

// A value's type and data as a listing prints them: "REG_DWORD" and "0x1f", text up to its first
// NUL, bytes in hexadecimal.
const char* RegistryTypeName(platform::Dword type);
std::string FormatRegistryData(platform::Dword type, const std::vector<std::uint8_t>& data);

// A listing, as the wide-character registry functions show it, in UTF-8: each key with its
// values, and its subkeys' names when they are not listed themselves.
struct ListedValue {
  std::string name;
  platform::Dword type;
  std::string data;  // as FormatRegistryData shows it
};
struct ListedKey {
  std::string name;  // the whole path, "HKEY_CURRENT_USER\\..."
  std::vector<ListedValue> values;
  std::vector<std::string> subkeys;
};
// What a query lists, as `reg query` takes it: /s every key below as well, /v NAME only the value
// of that name (/ve the default value, ""), each key that holds it.
struct QueryOptions {
  bool recursive = false;
  std::optional<std::string> value;  // UTF-8
};

// Key and, with recursive, every key below it, depth first; nothing when the key cannot be opened
// (failure as for QueryRegistry). With a value asked for, only the keys that hold it.
std::optional<std::vector<ListedKey>> ListRegistry(platform::Registry& registry,
                                                   const RegistryPath& key,
                                                   const QueryOptions& options,
                                                   std::string* failure = nullptr);

// The listing of key, or nothing when the key cannot be opened or holds no value asked for;
// failure, when given, then receives the registry's reason if the registry itself cannot be used (a
// damaged hive, say). A recursive listing shows a symbolic link key as a key of its own and does
// not follow it, so that a link to a key above it cannot make the listing endless.
std::optional<std::string> QueryRegistry(platform::Registry& registry, const RegistryPath& key,
                                         const QueryOptions& options,
                                         std::string* failure = nullptr);
// The same listing as JSON: {"keys": [{"key", "values": [{"name", "type", "data"}], "subkeys"}]}.
std::optional<std::string> QueryRegistryJson(platform::Registry& registry, const RegistryPath& key,
                                             const QueryOptions& options,
                                             std::string* failure = nullptr);

}  // namespace regcorvex
