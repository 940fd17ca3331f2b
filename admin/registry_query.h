// The registry as `reg query` prints it: a key's values (and with recursion every subkey's), one
// line per value with its name, type and data, keys separated by blank lines.
#pragma once

#include <optional>
#include <string>

#include "platform/registry.h"

namespace regcorvex {

// Splits "HKCU\..." or "HKEY_LOCAL_MACHINE\..." into its root and the path below it.
struct RegistryPath {
  platform::Hkey root;
  std::string root_name;  // the long form, as printed
  std::string path;
};
std::optional<RegistryPath> ParseRegistryPath(const std::string& text);

// The listing of key, or nothing when the key cannot be opened.
std::optional<std::string> QueryRegistry(platform::Registry& registry, const RegistryPath& key,
                                         bool recursive);

}  // namespace regcorvex
