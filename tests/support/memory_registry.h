// A registry in memory for tests: HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE kept apart, key and
// value names matched without regard to case (in the ANSI code page), values enumerated in the
// order they were made, names, paths and data checked and copied out as the real registry does. A
// root can be made read-only (opening it for writing gives access denied) and chosen calls can be
// made to fail or throw. A call it does not model (an unknown or closed handle, deleting a key
// by an empty path) fails the running test, and so does a handle still open at destruction.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/registry_toolkit.h"

namespace regcorvex::test {

class MemoryRegistry final : public platform::Registry {
 public:
  enum class Call {
    kOpenKey,
    kCreateKey,
    kSetValue,
    kQueryValue,
    kDeleteValue,
    kDeleteKey,
    kEnumValue,
    kEnumKey,
    kQueryInfoKey,
  };

  MemoryRegistry();
  ~MemoryRegistry() override;

  void SetReadOnly(platform::Hkey root, bool read_only);
  // Every later call of that kind fails with error; name, when given, limits it to one value name
  // or sub-key path (as passed).
  void FailCall(Call call, platform::Long error, const std::string& name = "");
  // Every later call of that kind throws std::runtime_error(message).
  void ThrowOnCall(Call call, const std::string& message);
  std::size_t OpenHandleCount() const { return handles_.size(); }
  // Persist() fails from now on with this text, as a native registry does when a hive file
  // cannot be saved.
  void FailPersist(const std::string& text) { persist_failure_ = text; }
  std::string Persist() override { return persist_failure_; }

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
  platform::Long RegDeleteKeyA(platform::Hkey key, const char* sub_key) override;
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

 private:
  struct Value {
    std::string name;
    platform::RegistryValue held;
  };
  struct Node {
    std::vector<Value> values;
    // Keyed by the lower-cased name; the name as created is kept beside the node.
    std::map<std::string, std::pair<std::string, std::shared_ptr<Node>>> children;
    bool deleted = false;
  };
  struct Handle {
    std::shared_ptr<Node> node;
    platform::Hkey root;
    platform::Dword access;
  };
  struct Fault {
    Call call;
    std::string name;
    platform::Long error;
    std::optional<std::string> thrown;
  };

  platform::Long Injected(Call call, const char* name) const;
  // The handle behind key, or none after reporting a call the stand-in does not model.
  std::optional<Handle> Find(platform::Hkey key) const;
  static platform::Long Walk(const Handle& base, const char* sub_key, bool create,
                             std::shared_ptr<Node>* node, bool* created);
  platform::Hkey NewHandle(std::shared_ptr<Node> node, platform::Hkey root, platform::Dword sam);
  platform::Long OpenOrCreate(Call call, platform::Hkey key, const char* sub_key,
                              platform::Dword sam, platform::Hkey* result, bool create,
                              platform::Dword* disposition);
  static Value* FindValue(Node& node, const char* name);

  std::map<platform::Hkey, std::shared_ptr<Node>> roots_;
  std::map<platform::Hkey, Handle> handles_;
  std::set<platform::Hkey> read_only_;
  std::vector<Fault> faults_;
  std::uintptr_t next_handle_ = 0x1000;
  std::string persist_failure_;
};

}  // namespace regcorvex::test
