#include "admin/dry_run_registry.h"

#include <string_view>

#include "platform/code_page.h"

namespace regcorvex {
namespace {

using platform::Dword;
using platform::Hkey;
using platform::Long;

bool IsRoot(Hkey key) {
  return key == platform::kHkeyCurrentUser || key == platform::kHkeyLocalMachine;
}

std::string Join(const std::string& parent, const char* sub_key) {
  std::string path = parent;
  for (const std::string& level :
       platform::SplitKeyPath(std::string_view(sub_key ? sub_key : ""))) {
    path += (path.empty() ? "" : "\\") + level;
  }
  return path;
}

std::string Parent(const std::string& path) {
  const std::size_t cut = path.rfind('\\');
  return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

}  // namespace

void DryRunRegistry::ClearLog() {
  changes_.clear();
  created_keys_.clear();
}

std::string DryRunRegistry::Slot(Hkey root, const std::string& path, const std::string& name) {
  return std::to_string(static_cast<std::uintptr_t>(root)) + "\n" + platform::CharLowerBuffA(path) +
         "\n" + platform::CharLowerBuffA(name);
}

bool DryRunRegistry::Created(Hkey root, const std::string& path) const {
  return created_.contains(Slot(root, path, ""));
}

std::optional<DryRunRegistry::Target> DryRunRegistry::Resolve(Hkey key) {
  if (IsRoot(key)) return Target{key, "", key, platform::kKeyAllAccess};
  const auto it = handles_.find(static_cast<std::uintptr_t>(key));
  if (it == handles_.end()) return std::nullopt;
  const OpenKey& open = it->second;
  return Target{open.root, open.path, open.below ? open.below.get() : platform::kNoKey,
                open.access};
}

Hkey DryRunRegistry::AddHandle(Hkey root, std::string path, platform::UniqueHkey below,
                               Dword access) {
  const std::uintptr_t handle = next_handle_++;
  handles_.emplace(handle, OpenKey{root, std::move(path), std::move(below), access});
  return Hkey{handle};
}

Long DryRunRegistry::RegOpenKeyExA(Hkey key, const char* sub_key, Dword options, Dword sam,
                                   Hkey* result) {
  const auto target = Resolve(key);
  if (!target) return platform::kErrorInvalidHandle;
  // Checked here too for a key that exists only in this registry, which the one below never sees.
  if (const Long refused = platform::CheckKeyPath(std::string_view(sub_key ? sub_key : ""))) {
    return refused;
  }
  const std::string path = Join(target->path, sub_key);
  Long status = platform::kErrorFileNotFound;
  if (target->below != platform::kNoKey) {
    Hkey opened = platform::kNoKey;
    status = below_.RegOpenKeyExA(target->below, sub_key, options, sam, &opened);
    if (status == platform::kErrorSuccess) {
      *result = AddHandle(target->root, path, platform::MakeUniqueHkey(below_, opened), sam);
      return status;
    }
  }
  if (status != platform::kErrorFileNotFound || !Created(target->root, path)) return status;
  *result = AddHandle(target->root, path, {}, sam);
  return platform::kErrorSuccess;
}

Long DryRunRegistry::CanCreate(Hkey root, const std::string& path) {
  for (std::string ancestor = Parent(path);; ancestor = Parent(ancestor)) {
    if (!ancestor.empty() && Created(root, ancestor)) return platform::kErrorSuccess;
    // A path longer than one open from the root may name cannot be asked about in one call; a
    // shorter ancestor decides then.
    if (ancestor.size() > platform::kMaxKeyPathLength) continue;
    Hkey opened = platform::kNoKey;
    const Long status =
        below_.RegOpenKeyExA(root, ancestor.c_str(), 0, platform::kKeyCreateSubKey, &opened);
    if (status == platform::kErrorSuccess) below_.RegCloseKey(opened);
    if (status != platform::kErrorFileNotFound || ancestor.empty()) return status;
  }
}

Long DryRunRegistry::RegCreateKeyExA(Hkey key, const char* sub_key, Dword options, Dword sam,
                                     Hkey* result, Dword* disposition) {
  const Long status = RegOpenKeyExA(key, sub_key, options, sam, result);
  if (status == platform::kErrorSuccess && disposition != nullptr) {
    *disposition = platform::kRegOpenedExistingKey;
  }
  if (status != platform::kErrorFileNotFound) return status;
  const auto target = Resolve(key);
  const std::string path = Join(target->path, sub_key);
  if (const Long refused =
          platform::CheckKeyNames(platform::SplitKeyPath(std::string_view(path)))) {
    return refused;
  }
  if (const Long refused = CanCreate(target->root, path)) return refused;
  for (std::string level = path; !level.empty(); level = Parent(level)) {
    created_.insert(Slot(target->root, level, ""));
  }
  created_keys_.push_back({target->root, path});
  *result = AddHandle(target->root, path, {}, sam);
  if (disposition != nullptr) *disposition = platform::kRegCreatedNewKey;
  return platform::kErrorSuccess;
}

std::optional<RegistryValue> DryRunRegistry::Lookup(const Target& target, const std::string& name) {
  const auto known = values_.find(Slot(target.root, target.path, name));
  if (known != values_.end()) return known->second;
  if (target.below == platform::kNoKey) return std::nullopt;
  Dword type = platform::kRegNone, size = 0;
  if (below_.RegQueryValueExA(target.below, name.c_str(), &type, nullptr, &size) !=
      platform::kErrorSuccess) {
    return std::nullopt;
  }
  RegistryValue value{type, std::vector<std::uint8_t>(size)};
  if (below_.RegQueryValueExA(target.below, name.c_str(), &type, value.data.data(), &size) !=
      platform::kErrorSuccess) {
    return std::nullopt;
  }
  value.data.resize(size);
  return value;
}

Hkey DryRunRegistry::WritableOpenRoot() const {
  for (const auto& [handle, open] : handles_) {
    if ((open.access & platform::kKeySetValue) != 0) return open.root;
  }
  return platform::kNoKey;
}

std::optional<RegistryValue> DryRunRegistry::Value(Hkey root, const std::string& key,
                                                   const std::string& name) {
  Hkey opened = platform::kNoKey;
  if (RegOpenKeyExA(root, key.c_str(), 0, platform::kKeyQueryValue, &opened) !=
      platform::kErrorSuccess) {
    return std::nullopt;
  }
  auto value = Lookup(*Resolve(opened), name);
  RegCloseKey(opened);
  return value;
}

Long DryRunRegistry::RegSetValueExA(Hkey key, const char* name, Dword type,
                                    const std::uint8_t* data, Dword size) {
  const auto target = Resolve(key);
  if (!target) return platform::kErrorInvalidHandle;
  if ((target->access & platform::kKeySetValue) == 0) return platform::kErrorAccessDenied;
  const std::string value_name = name != nullptr ? name : "";
  if (value_name.size() > platform::kMaxValueNameLength) return platform::kErrorInvalidParameter;
  auto before = Lookup(*target, value_name);
  RegistryValue after{type, data != nullptr ? std::vector<std::uint8_t>(data, data + size)
                                            : std::vector<std::uint8_t>()};
  values_[Slot(target->root, target->path, value_name)] = after;
  changes_.push_back({target->root, target->path, value_name, std::move(before), std::move(after)});
  return platform::kErrorSuccess;
}

Long DryRunRegistry::RegQueryValueExA(Hkey key, const char* name, Dword* type, std::uint8_t* data,
                                      Dword* size) {
  const auto target = Resolve(key);
  if (!target) return platform::kErrorInvalidHandle;
  const std::string value_name = name != nullptr ? name : "";
  const auto known = values_.find(Slot(target->root, target->path, value_name));
  if (known != values_.end()) {
    if (!known->second) return platform::kErrorFileNotFound;
    if (data != nullptr && size == nullptr) return platform::kErrorInvalidParameter;
    if (type != nullptr) *type = known->second->type;
    return platform::CopyDataBytes(known->second->data, data, size);
  }
  if (target->below == platform::kNoKey) return platform::kErrorFileNotFound;
  return below_.RegQueryValueExA(target->below, name, type, data, size);
}

Long DryRunRegistry::RegDeleteValueA(Hkey key, const char* name) {
  const auto target = Resolve(key);
  if (!target) return platform::kErrorInvalidHandle;
  if ((target->access & platform::kKeySetValue) == 0) return platform::kErrorAccessDenied;
  const std::string value_name = name != nullptr ? name : "";
  auto before = Lookup(*target, value_name);
  if (!before) return platform::kErrorFileNotFound;
  values_[Slot(target->root, target->path, value_name)] = std::nullopt;
  changes_.push_back({target->root, target->path, value_name, std::move(before), std::nullopt});
  return platform::kErrorSuccess;
}

Long DryRunRegistry::RegDeleteKeyA(Hkey, const char*) { return platform::kErrorAccessDenied; }

Long DryRunRegistry::RegEnumValueA(Hkey key, Dword index, char* name, Dword* name_size, Dword* type,
                                   std::uint8_t* data, Dword* data_size) {
  const auto target = Resolve(key);
  if (!target) return platform::kErrorInvalidHandle;
  if (target->below == platform::kNoKey) return platform::kErrorNoMoreItems;
  return below_.RegEnumValueA(target->below, index, name, name_size, type, data, data_size);
}

Long DryRunRegistry::RegEnumKeyExA(Hkey key, Dword index, char* name, Dword* name_size) {
  const auto target = Resolve(key);
  if (!target) return platform::kErrorInvalidHandle;
  if (target->below == platform::kNoKey) return platform::kErrorNoMoreItems;
  return below_.RegEnumKeyExA(target->below, index, name, name_size);
}

Long DryRunRegistry::RegQueryInfoKeyA(Hkey key, Dword* sub_keys, Dword* max_sub_key_len,
                                      Dword* values, Dword* max_value_name_len,
                                      Dword* max_value_len) {
  const auto target = Resolve(key);
  if (!target) return platform::kErrorInvalidHandle;
  if (target->below != platform::kNoKey) {
    return below_.RegQueryInfoKeyA(target->below, sub_keys, max_sub_key_len, values,
                                   max_value_name_len, max_value_len);
  }
  for (Dword* out : {sub_keys, max_sub_key_len, values, max_value_name_len, max_value_len}) {
    if (out != nullptr) *out = 0;
  }
  return platform::kErrorSuccess;
}

Long DryRunRegistry::RegCloseKey(Hkey key) {
  if (IsRoot(key)) return platform::kErrorSuccess;
  return handles_.erase(static_cast<std::uintptr_t>(key)) == 1 ? platform::kErrorSuccess
                                                               : platform::kErrorInvalidHandle;
}

}  // namespace regcorvex
