// A registry that reads through to another one and keeps every change to itself: the keys it
// creates and the values it sets or deletes are seen by its own later calls, never by the registry
// below, which is only ever opened, queried and closed. It logs the changes, so that a caller can
// run the preference store on it and learn what the store would write. Persist() saves nothing.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/registry_toolkit.h"
#include "platform/unique_hkey.h"

namespace regcorvex {

using platform::RegistryValue;

class DryRunRegistry final : public platform::Registry {
 public:
  struct ValueChange {
    platform::Hkey root;
    std::string key;  // below the root, levels joined by single backslashes
    std::string name;
    std::optional<RegistryValue> before;
    std::optional<RegistryValue> after;  // none: deleted
  };
  struct KeyCreation {
    platform::Hkey root;
    std::string key;
  };

  explicit DryRunRegistry(platform::Registry& below) : below_(below) {}

  // What was changed since the last ClearLog, in order.
  const std::vector<ValueChange>& changes() const { return changes_; }
  const std::vector<KeyCreation>& created_keys() const { return created_keys_; }
  void ClearLog();

  // The root of an open key that can be written, kNoKey when none is open.
  platform::Hkey WritableOpenRoot() const;

  // The value as this registry sees it now, or none.
  std::optional<RegistryValue> Value(platform::Hkey root, const std::string& key,
                                     const std::string& name);

  platform::Long RegOpenKeyExA(platform::Hkey key, const char* sub_key, platform::Dword options,
                               platform::Dword sam, platform::Hkey* result) override;
  platform::Long RegCreateKeyExA(platform::Hkey key, const char* sub_key, platform::Dword options,
                                 platform::Dword sam, platform::Hkey* result,
                                 platform::Dword* disposition) override;
  platform::Long RegSetValueExA(platform::Hkey key, const char* name, platform::Dword type,
                                const std::uint8_t* data, platform::Dword size) override;
  platform::Long RegQueryValueExA(platform::Hkey key, const char* name, platform::Dword* type,
                                  std::uint8_t* data, platform::Dword* size) override;
  platform::Long RegDeleteValueA(platform::Hkey key, const char* name) override;
  // Refused: nothing the store does for the import deletes a key.
  platform::Long RegDeleteKeyA(platform::Hkey key, const char* sub_key) override;
  // Listings show the registry below, without this registry's own changes.
  platform::Long RegEnumValueA(platform::Hkey key, platform::Dword index, char* name,
                               platform::Dword* name_size, platform::Dword* type,
                               std::uint8_t* data, platform::Dword* data_size) override;
  platform::Long RegEnumKeyExA(platform::Hkey key, platform::Dword index, char* name,
                               platform::Dword* name_size) override;
  platform::Long RegQueryInfoKeyA(platform::Hkey key, platform::Dword* sub_keys,
                                  platform::Dword* max_sub_key_len, platform::Dword* values,
                                  platform::Dword* max_value_name_len,
                                  platform::Dword* max_value_len) override;
  platform::Long RegCloseKey(platform::Hkey key) override;
  std::string Persist() override { return {}; }
  std::string UnusableReason(platform::Hkey root) override { return below_.UnusableReason(root); }

 private:
  struct OpenKey {
    platform::Hkey root;
    std::string path;
    platform::UniqueHkey below;  // empty for a key that exists only here
    platform::Dword access;
  };
  // The key behind a handle: an open key of this registry, or a root.
  struct Target {
    platform::Hkey root;
    std::string path;
    platform::Hkey below;  // kNoKey when the key exists only here
    platform::Dword access;
  };

  std::optional<Target> Resolve(platform::Hkey key);
  platform::Hkey AddHandle(platform::Hkey root, std::string path, platform::UniqueHkey below,
                           platform::Dword access);
  bool Created(platform::Hkey root, const std::string& path) const;
  // Whether a key missing at path could be created: its deepest existing ancestor grants that.
  platform::Long CanCreate(platform::Hkey root, const std::string& path);
  std::optional<RegistryValue> Lookup(const Target& target, const std::string& name);
  static std::string Slot(platform::Hkey root, const std::string& path, const std::string& name);

  platform::Registry& below_;
  std::map<std::uintptr_t, OpenKey> handles_;
  std::uintptr_t next_handle_ = 0x4000;
  std::set<std::string> created_;                               // Slot(root, path, "")
  std::map<std::string, std::optional<RegistryValue>> values_;  // none: deleted here
  std::vector<ValueChange> changes_;
  std::vector<KeyCreation> created_keys_;
};

}  // namespace regcorvex
