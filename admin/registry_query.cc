#include "admin/registry_query.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <vector>

#include "admin/report_text.h"
#include "platform/code_page.h"
#include "platform/unique_hkey.h"

namespace regcorvex {
namespace {

using platform::Dword;

constexpr struct {
  const char* short_name;
  const char* long_name;
  platform::Hkey root;
} kRoots[] = {
    {"HKCU", "HKEY_CURRENT_USER", platform::kHkeyCurrentUser},
    {"HKLM", "HKEY_LOCAL_MACHINE", platform::kHkeyLocalMachine},
};

std::string Hex(const std::vector<std::uint8_t>& data) {
  std::string text;
  char digits[3];
  for (std::uint8_t byte : data) {
    std::snprintf(digits, sizeof(digits), "%02X", byte);
    text += digits;
  }
  return text;
}

}  // namespace

const char* RegistryTypeName(Dword type) {
  switch (type) {
    case platform::kRegNone:
      return "REG_NONE";
    case platform::kRegSz:
      return "REG_SZ";
    case platform::kRegExpandSz:
      return "REG_EXPAND_SZ";
    case platform::kRegBinary:
      return "REG_BINARY";
    case platform::kRegDword:
      return "REG_DWORD";
    case platform::kRegDwordBigEndian:
      return "REG_DWORD_BIG_ENDIAN";
    case platform::kRegLink:
      return "REG_LINK";
    case platform::kRegMultiSz:
      return "REG_MULTI_SZ";
    case platform::kRegQword:
      return "REG_QWORD";
    default:
      return "REG_UNKNOWN";
  }
}

std::string FormatRegistryData(Dword type, const std::vector<std::uint8_t>& data) {
  const std::string bytes(data.begin(), data.end());
  char number[24];
  switch (type) {
    case platform::kRegSz:
    case platform::kRegExpandSz:
      return bytes.substr(0, bytes.find('\0'));
    case platform::kRegMultiSz: {
      std::string text = bytes.substr(0, bytes.find(std::string(2, '\0')));
      for (size_t at = text.find('\0'); at != std::string::npos; at = text.find('\0', at + 2)) {
        text.replace(at, 1, "\\0");
      }
      return text;
    }
    case platform::kRegDword:
      if (data.size() != 4) break;
      std::uint32_t dword;
      std::memcpy(&dword, data.data(), 4);
      std::snprintf(number, sizeof(number), "0x%" PRIx32, dword);
      return number;
    case platform::kRegQword:
      if (data.size() != 8) break;
      std::uint64_t qword;
      std::memcpy(&qword, data.data(), 8);
      std::snprintf(number, sizeof(number), "0x%" PRIx64, qword);
      return number;
    default:
      break;
  }
  return Hex(data);
}

namespace {

struct ListedValue {
  std::string name;
  Dword type;
  std::vector<std::uint8_t> data;
};

// One key of a listing: its values, and its subkeys' names when they are not listed themselves.
struct ListedKey {
  std::string name;
  std::vector<ListedValue> values;
  std::vector<std::string> subkeys;
};

void ListKey(platform::Registry& registry, platform::Hkey key, const std::string& name,
             bool recursive, std::vector<ListedKey>& out) {
  Dword value_count = 0, max_name = 0, max_data = 0, subkey_count = 0, max_subkey = 0;
  registry.RegQueryInfoKeyA(key, &subkey_count, &max_subkey, &value_count, &max_name, &max_data);
  out.push_back({name, {}, {}});
  for (Dword index = 0; index < value_count; ++index) {
    std::vector<char> value_name(max_name + 1);
    std::vector<std::uint8_t> data(max_data);
    Dword name_size = max_name + 1, data_size = max_data, type = 0;
    if (registry.RegEnumValueA(key, index, value_name.data(), &name_size, &type, data.data(),
                               &data_size) != platform::kErrorSuccess) {
      continue;
    }
    data.resize(data_size);
    out.back().values.push_back({std::string(value_name.data(), name_size), type, data});
  }
  const std::size_t listed = out.size() - 1;
  for (Dword index = 0; index < subkey_count; ++index) {
    std::vector<char> subkey(max_subkey + 1);
    Dword size = max_subkey + 1;
    if (registry.RegEnumKeyExA(key, index, subkey.data(), &size) != platform::kErrorSuccess) {
      continue;
    }
    const std::string child = name + "\\" + std::string(subkey.data(), size);
    if (!recursive) {
      out[listed].subkeys.push_back(child);
      continue;
    }
    platform::Hkey opened = platform::kNoKey;
    if (registry.RegOpenKeyExA(key, subkey.data(), platform::kRegOptionOpenLink, platform::kKeyRead,
                               &opened) != platform::kErrorSuccess) {
      continue;
    }
    const platform::UniqueHkey owned = platform::MakeUniqueHkey(registry, opened);
    ListKey(registry, owned.get(), child, recursive, out);
  }
}

std::optional<std::vector<ListedKey>> ListRegistry(platform::Registry& registry,
                                                   const RegistryPath& key, bool recursive,
                                                   std::string* failure) {
  platform::Hkey opened = platform::kNoKey;
  const platform::Long status =
      registry.RegOpenKeyExA(key.root, key.path.c_str(), 0, platform::kKeyRead, &opened);
  if (status != platform::kErrorSuccess) {
    if (failure != nullptr) *failure = registry.FailureText(status);
    return std::nullopt;
  }
  const platform::UniqueHkey owned = platform::MakeUniqueHkey(registry, opened);
  std::vector<ListedKey> keys;
  ListKey(registry, owned.get(), key.root_name + (key.path.empty() ? "" : "\\" + key.path),
          recursive, keys);
  return keys;
}

}  // namespace

std::optional<RegistryPath> ParseRegistryPath(const std::string& text) {
  const size_t slash = text.find('\\');
  const std::string root = platform::CharUpperBuffA(text.substr(0, slash));
  for (const auto& known : kRoots) {
    if (root == known.short_name || root == known.long_name) {
      std::string path = slash == std::string::npos ? "" : text.substr(slash + 1);
      while (!path.empty() && path.back() == '\\') path.pop_back();
      return RegistryPath{known.root, known.long_name, path};
    }
  }
  return std::nullopt;
}

std::string RegistryRootName(platform::Hkey root) {
  for (const auto& known : kRoots) {
    if (known.root == root) return known.long_name;
  }
  return {};
}

std::optional<std::string> QueryRegistry(platform::Registry& registry, const RegistryPath& key,
                                         bool recursive, std::string* failure) {
  const auto keys = ListRegistry(registry, key, recursive, failure);
  if (!keys) return std::nullopt;
  std::string out;
  for (const ListedKey& listed : *keys) {
    out += "\n" + listed.name + "\n";
    for (const ListedValue& value : listed.values) {
      out += "    " + (value.name.empty() ? "(Default)" : value.name) + "    " +
             RegistryTypeName(value.type) + "    " + FormatRegistryData(value.type, value.data) +
             "\n";
    }
    if (!listed.subkeys.empty()) out += "\n";
    for (const std::string& subkey : listed.subkeys) out += subkey + "\n";
  }
  return recursive ? out + "\n" : out;
}

std::optional<std::string> QueryRegistryJson(platform::Registry& registry, const RegistryPath& key,
                                             bool recursive, std::string* failure) {
  const auto keys = ListRegistry(registry, key, recursive, failure);
  if (!keys) return std::nullopt;
  std::string out = "{\n  \"keys\": [";
  const char* key_separator = "\n";
  for (const ListedKey& listed : *keys) {
    out += key_separator + std::string("    {\"key\": ") + JsonString(AnsiToUtf8(listed.name)) +
           ", \"values\": [";
    const char* separator = "";
    for (const ListedValue& value : listed.values) {
      out += separator + std::string("{\"name\": ") + JsonString(AnsiToUtf8(value.name)) +
             ", \"type\": \"" + RegistryTypeName(value.type) +
             "\", \"data\": " + JsonString(AnsiToUtf8(FormatRegistryData(value.type, value.data))) +
             "}";
      separator = ", ";
    }
    out += "], \"subkeys\": [";
    separator = "";
    for (const std::string& subkey : listed.subkeys) {
      out += separator + JsonString(AnsiToUtf8(subkey));
      separator = ", ";
    }
    out += "]}";
    key_separator = ",\n";
  }
  return out + "\n  ]\n}\n";
}

}  // namespace regcorvex
