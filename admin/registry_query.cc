#include "admin/registry_query.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <vector>

#include "admin/registry_tree.h"
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
    {"HKU", "HKEY_USERS", platform::kHkeyUsers},
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

// The longest value name the registry allows, in UTF-16 units.
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

// Whether a value of this name is the one asked for: any value when none is asked for, else the
// one of that name without regard to case ("" for the default value).
bool Wanted(const std::optional<std::string>& wanted, const std::string& name) {
  const auto folded = [](const std::string& utf8) {
    return platform::CharUpperBuffA(platform::WideToAnsi(platform::Utf8ToUtf16(utf8)));
  };
  return !wanted || folded(name) == folded(*wanted);
}

}  // namespace

std::optional<std::vector<ListedKey>> ListRegistry(platform::Registry& registry,
                                                   const RegistryPath& key,
                                                   const QueryOptions& options,
                                                   std::string* failure) {
  platform::Hkey opened = platform::kNoKey;
  const platform::Long status = registry.RegOpenKeyExA(
      key.root, key.path.c_str(), 0, platform::kKeyRead | ViewAccess(key.view), &opened);
  if (status != platform::kErrorSuccess) {
    if (failure != nullptr) *failure = registry.UnusableReason(key.root);
    return std::nullopt;
  }
  const platform::UniqueHkey top = platform::MakeUniqueHkey(registry, opened);
  const std::string top_name =
      AnsiToUtf8(key.root_name + (key.path.empty() ? "" : "\\" + key.path));
  std::vector<ListedKey> keys;
  WalkKeyTree(registry, top.get(), key.view, options.recursive, [&](const WalkedKey& walked) {
    if (walked.key == platform::kNoKey) return;
    const std::string below = walked.path.empty() ? "" : "\\" + platform::Utf16ToUtf8(walked.path);
    ListedKey listed{top_name + below, {}, {}};
    for (Dword index = 0;; ++index) {
      auto value = ReadValue(registry, walked.key, index);
      if (!value) break;
      if (Wanted(options.value, value->name)) listed.values.push_back(std::move(*value));
    }
    if (options.value && listed.values.empty()) return;
    if (!options.recursive && !options.value) {
      for (const std::u16string& subkey : walked.subkeys) {
        listed.subkeys.push_back(listed.name + "\\" + platform::Utf16ToUtf8(subkey));
      }
    }
    keys.push_back(std::move(listed));
  });
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
                                         const QueryOptions& options, std::string* failure) {
  const auto keys = ListRegistry(registry, key, options, failure);
  if (!keys || (options.value && keys->empty())) return std::nullopt;
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
  if (options.recursive && options.value) {
    std::size_t matches = 0;
    for (const ListedKey& listed : *keys) matches += listed.values.size();
    out += "\nEnd of search: " + std::to_string(matches) + " match(es) found.\n";
  }
  return options.recursive || options.value ? out + "\n" : out;
}

std::optional<std::string> QueryRegistryJson(platform::Registry& registry, const RegistryPath& key,
                                             const QueryOptions& options, std::string* failure) {
  const auto keys = ListRegistry(registry, key, options, failure);
  if (!keys || (options.value && keys->empty())) return std::nullopt;
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
