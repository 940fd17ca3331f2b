#include "admin/registry_tree.h"

#include "platform/unique_hkey.h"

namespace regcorvex {
namespace {

using platform::Dword;
using platform::kErrorSuccess;

void ReadKey(platform::Registry& registry, platform::Hkey key, const std::string& path,
             std::vector<TreeKey>& out) {
  Dword subkeys = 0, max_subkey = 0, values = 0, max_name = 0, max_data = 0;
  const platform::Long status =
      registry.RegQueryInfoKeyA(key, &subkeys, &max_subkey, &values, &max_name, &max_data);
  out.push_back({path, {}, status});
  if (status != kErrorSuccess) return;
  for (Dword index = 0; index < values; ++index) {
    std::vector<char> name(max_name + 1);
    std::vector<std::uint8_t> data(max_data);
    Dword name_size = max_name + 1, data_size = max_data, type = 0;
    const platform::Long read =
        registry.RegEnumValueA(key, index, name.data(), &name_size, &type, data.data(), &data_size);
    if (read != kErrorSuccess) {
      out.back().status = read;
      continue;
    }
    data.resize(data_size);
    out.back().values.push_back({std::string(name.data(), name_size), type, data, {}});
  }
  const std::size_t self = out.size() - 1;
  for (Dword index = 0; index < subkeys; ++index) {
    std::vector<char> name(max_subkey + 1);
    Dword size = max_subkey + 1;
    platform::Long read = registry.RegEnumKeyExA(key, index, name.data(), &size);
    platform::Hkey opened = platform::kNoKey;
    if (read == kErrorSuccess) {
      read = registry.RegOpenKeyExA(key, name.data(), 0, platform::kKeyRead, &opened);
    }
    if (read != kErrorSuccess) {
      out[self].status = read;
      continue;
    }
    const platform::UniqueHkey child = platform::MakeUniqueHkey(registry, opened);
    ReadKey(registry, child.get(), path + "\\" + std::string(name.data(), size), out);
  }
}

}  // namespace

TreeRead ReadKeyTree(platform::Registry& registry, platform::Hkey root, const std::string& path) {
  platform::Hkey opened = platform::kNoKey;
  TreeRead result;
  result.status = registry.RegOpenKeyExA(root, path.c_str(), 0, platform::kKeyRead, &opened);
  if (result.status != kErrorSuccess) return result;
  const platform::UniqueHkey key = platform::MakeUniqueHkey(registry, opened);
  ReadKey(registry, key.get(), path, result.keys);
  return result;
}

}  // namespace regcorvex
