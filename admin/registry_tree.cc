#include "admin/registry_tree.h"

#include "platform/code_page.h"
#include "platform/unique_hkey.h"

namespace regcorvex {
namespace {

using platform::Dword;
using platform::kErrorSuccess;

// The longest key name the registry allows, in UTF-16 units.
constexpr Dword kMaxKeyName = 255;

std::vector<std::u16string> SubkeyNames(platform::Registry& registry, platform::Hkey key) {
  std::vector<std::u16string> names;
  for (Dword index = 0;; ++index) {
    char16_t name[kMaxKeyName + 1];
    Dword size = kMaxKeyName + 1;
    if (registry.RegEnumKeyExW(key, index, name, &size) != kErrorSuccess) return names;
    names.emplace_back(name, size);
  }
}

std::vector<TreeValue> ReadValues(platform::Registry& registry, platform::Hkey key,
                                  platform::Long& status) {
  std::vector<TreeValue> out;
  Dword values = 0, max_name = 0, max_data = 0;
  status = registry.RegQueryInfoKeyA(key, nullptr, nullptr, &values, &max_name, &max_data);
  if (status != kErrorSuccess) return out;
  for (Dword index = 0; index < values; ++index) {
    std::vector<char> name(max_name + 1);
    std::vector<std::uint8_t> data(max_data);
    Dword name_size = max_name + 1, data_size = max_data, type = 0;
    const platform::Long read =
        registry.RegEnumValueA(key, index, name.data(), &name_size, &type, data.data(), &data_size);
    if (read != kErrorSuccess) {
      status = read;
      continue;
    }
    data.resize(data_size);
    out.push_back({std::string(name.data(), name_size), type, data, {}});
  }
  return out;
}

}  // namespace

bool IsLinkKey(platform::Registry& registry, platform::Hkey key) {
  Dword type = platform::kRegNone, size = 0;
  return registry.RegQueryValueExA(key, "SymbolicLinkValue", &type, nullptr, &size) ==
             kErrorSuccess &&
         type == platform::kRegLink;
}

void WalkKeyTree(platform::Registry& registry, platform::Hkey top, RegistryView view,
                 bool recursive, const std::function<void(const WalkedKey&)>& visit) {
  struct Level {
    platform::UniqueHkey key;
    std::u16string path;
    std::vector<std::u16string> subkeys;
    std::size_t next = 0;
  };
  std::vector<Level> stack;
  const auto enter = [&](platform::Hkey key, std::u16string path, bool link) {
    WalkedKey walked{key, kErrorSuccess, std::move(path), link, SubkeyNames(registry, key)};
    visit(walked);
    return Level{{}, std::move(walked.path), std::move(walked.subkeys)};
  };
  stack.push_back(enter(top, {}, false));
  if (!recursive) return;
  while (!stack.empty()) {
    Level& level = stack.back();
    if (level.next == level.subkeys.size()) {
      stack.pop_back();
      continue;
    }
    const std::u16string& name = level.subkeys[level.next++];
    std::u16string path = level.path.empty() ? name : level.path + u"\\" + name;
    platform::Hkey opened = platform::kNoKey;
    const platform::Long status = registry.RegOpenKeyExW(
        level.key ? level.key.get() : top, name.c_str(), platform::kRegOptionOpenLink,
        platform::kKeyRead | ViewAccess(view), &opened);
    if (status != kErrorSuccess) {
      visit({platform::kNoKey, status, std::move(path), false, {}});
      continue;
    }
    platform::UniqueHkey child = platform::MakeUniqueHkey(registry, opened);
    const bool link = IsLinkKey(registry, child.get());
    Level entered = enter(child.get(), std::move(path), link);
    if (link) continue;
    entered.key = std::move(child);
    stack.push_back(std::move(entered));
  }
}

TreeRead ReadKeyTree(platform::Registry& registry, platform::Hkey root, const std::string& path,
                     RegistryView view) {
  platform::Hkey opened = platform::kNoKey;
  TreeRead result;
  result.status =
      registry.RegOpenKeyExA(root, path.c_str(), 0, platform::kKeyRead | ViewAccess(view), &opened);
  if (result.status != kErrorSuccess) return result;
  const platform::UniqueHkey key = platform::MakeUniqueHkey(registry, opened);
  WalkKeyTree(registry, key.get(), view, true, [&](const WalkedKey& walked) {
    TreeKey read{path + (walked.path.empty() ? "" : "\\" + platform::WideToAnsi(walked.path)),
                 {},
                 walked.status,
                 walked.link};
    if (walked.key != platform::kNoKey) read.values = ReadValues(registry, walked.key, read.status);
    result.keys.push_back(std::move(read));
  });
  return result;
}

}  // namespace regcorvex
