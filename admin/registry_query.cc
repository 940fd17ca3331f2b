#include "admin/registry_query.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <vector>

#include "admin/report_text.h"
#include "platform/code_page.h"
#include "platform/hex.h"
#include "platform/registry_toolkit.h"
#include "platform/unique_hkey.h"
#include "platform/utf8.h"

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

namespace {

// Text up to its first NUL; a list of texts (REG_MULTI_SZ) up to its empty one, "\0" between them.
template <typename Char>
std::basic_string<Char> FormatText(Dword type, std::basic_string<Char> text) {
  if (type != platform::kRegMultiSz) return text.substr(0, text.find(Char{0}));
  text = text.substr(0, text.find(std::basic_string<Char>(2, Char{0})));
  const Char escape[] = {Char{'\\'}, Char{'0'}, Char{0}};
  for (size_t at = text.find(Char{0}); at != std::basic_string<Char>::npos;
       at = text.find(Char{0}, at + 2)) {
    text.replace(at, 1, escape);
  }
  return text;
}

}  // namespace

std::string FormatRegistryData(Dword type, const std::vector<std::uint8_t>& data) {
  char number[24];
  switch (type) {
    case platform::kRegSz:
    case platform::kRegExpandSz:
    case platform::kRegMultiSz:
      return FormatText(type, std::string(data.begin(), data.end()));
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
  return platform::HexBytes(data);
}

namespace {

// The longest names the registry allows, in UTF-16 units.
constexpr Dword kMaxKeyName = 255;
constexpr Dword kMaxValueName = 16383;

std::string ShownData(Dword type, const std::vector<std::uint8_t>& data) {
  if (!platform::IsStringType(type)) return FormatRegistryData(type, data);
  return platform::Utf16ToUtf8(
      FormatText(type, platform::Utf16FromBytes(std::string_view(
                           reinterpret_cast<const char*>(data.data()), data.size()))));
}

// The value at index, its data read in a buffer that grows until the data fits.
std::optional<ListedValue> ReadValue(platform::Registry& registry, platform::Hkey key,
                                     Dword index) {
  std::vector<char16_t> name(kMaxValueName + 1);
  std::vector<std::uint8_t> data(256);
  for (;;) {
    Dword name_size = kMaxValueName + 1;
    Dword data_size = static_cast<Dword>(data.size());
    Dword type = 0;
    const platform::Long status =
        registry.RegEnumValueW(key, index, name.data(), &name_size, &type, data.data(), &data_size);
    if (status == platform::kErrorMoreData && data_size > data.size()) {
      data.resize(data_size);
      continue;
    }
    if (status != platform::kErrorSuccess) return std::nullopt;
    data.resize(data_size);
    return ListedValue{platform::Utf16ToUtf8(std::u16string_view(name.data(), name_size)), type,
                       ShownData(type, data)};
  }
}

// Lists key and, with recursive, every key below it, depth first as `reg query /s` does. The
// walk keeps its own stack of open keys, so that no depth of keys can exhaust the program's.
void ListKeys(platform::Registry& registry, platform::Hkey root, const std::string& root_name,
              bool recursive, std::vector<ListedKey>& out) {
  struct Level {
    platform::UniqueHkey key;
    std::string name;
    Dword next_subkey = 0;
  };
  std::vector<Level> stack;
  const auto enter = [&](platform::UniqueHkey key, std::string name) {
    out.push_back({name, {}, {}});
    for (Dword index = 0;; ++index) {
      auto value = ReadValue(registry, key.get(), index);
      if (!value) break;
      out.back().values.push_back(std::move(*value));
    }
    stack.push_back({std::move(key), std::move(name)});
  };
  enter(platform::MakeUniqueHkey(registry, root), root_name);
  const std::size_t first = out.size() - 1;
  while (!stack.empty()) {
    Level& level = stack.back();
    char16_t subkey[kMaxKeyName + 1];
    Dword size = kMaxKeyName + 1;
    if (registry.RegEnumKeyExW(level.key.get(), level.next_subkey++, subkey, &size) !=
        platform::kErrorSuccess) {
      stack.pop_back();
      continue;
    }
    std::string child =
        level.name + "\\" + platform::Utf16ToUtf8(std::u16string_view(subkey, size));
    if (!recursive) {
      out[first].subkeys.push_back(std::move(child));
      continue;
    }
    // A symbolic link key is listed as a key of its own and not followed, so that a link to a
    // key above it cannot make the listing endless.
    platform::Hkey opened = platform::kNoKey;
    if (registry.RegOpenKeyExW(level.key.get(), subkey, platform::kRegOptionOpenLink,
                               platform::kKeyRead, &opened) == platform::kErrorSuccess) {
      enter(platform::MakeUniqueHkey(registry, opened), std::move(child));
    }
  }
}

}  // namespace

std::optional<std::vector<ListedKey>> ListRegistry(platform::Registry& registry,
                                                   const RegistryPath& key, bool recursive,
                                                   std::string* failure) {
  platform::Hkey opened = platform::kNoKey;
  const platform::Long status =
      registry.RegOpenKeyExA(key.root, key.path.c_str(), 0, platform::kKeyRead, &opened);
  if (status != platform::kErrorSuccess) {
    if (failure != nullptr) *failure = registry.UnusableReason(key.root);
    return std::nullopt;
  }
  std::vector<ListedKey> keys;
  ListKeys(registry, opened, AnsiToUtf8(key.root_name + (key.path.empty() ? "" : "\\" + key.path)),
           recursive, keys);
  return keys;
}

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
             RegistryTypeName(value.type) + "    " + value.data + "\n";
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
    out +=
        key_separator + std::string("    {\"key\": ") + JsonString(listed.name) + ", \"values\": [";
    const char* separator = "";
    for (const ListedValue& value : listed.values) {
      out += separator + std::string("{\"name\": ") + JsonString(value.name) + ", \"type\": \"" +
             RegistryTypeName(value.type) + "\", \"data\": " + JsonString(value.data) + "}";
      separator = ", ";
    }
    out += "], \"subkeys\": [";
    separator = "";
    for (const std::string& subkey : listed.subkeys) {
      out += separator + JsonString(subkey);
      separator = ", ";
    }
    out += "]}";
    key_separator = ",\n";
  }
  return out + "\n  ]\n}\n";
}

}  // namespace regcorvex
