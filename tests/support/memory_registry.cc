#include "tests/support/memory_registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string_view>

#include "platform/code_page.h"

namespace regcorvex::test {
namespace {

using platform::Dword;
using platform::Hkey;
using platform::Long;

// KEY_SET_VALUE, KEY_CREATE_SUB_KEY, KEY_CREATE_LINK, DELETE, WRITE_DAC and WRITE_OWNER.
constexpr Dword kWriteRights = 0xD0026;

std::string Lower(std::string_view text) { return platform::CharLowerBuffA(text); }

}  // namespace

MemoryRegistry::MemoryRegistry() {
  roots_[platform::kHkeyCurrentUser] = std::make_shared<Node>();
  roots_[platform::kHkeyLocalMachine] = std::make_shared<Node>();
}

MemoryRegistry::~MemoryRegistry() { EXPECT_EQ(handles_.size(), 0u) << "registry keys left open"; }

void MemoryRegistry::SetReadOnly(Hkey root, bool read_only) {
  if (read_only) {
    read_only_.insert(root);
  } else {
    read_only_.erase(root);
  }
}

void MemoryRegistry::FailCall(Call call, Long error, const std::string& name) {
  faults_.push_back({call, name, error, std::nullopt});
}

void MemoryRegistry::ThrowOnCall(Call call, const std::string& message) {
  faults_.push_back({call, "", platform::kErrorSuccess, message});
}

Long MemoryRegistry::Injected(Call call, const char* name) const {
  for (const Fault& fault : faults_) {
    if (fault.call != call || (!fault.name.empty() && fault.name != (name ? name : ""))) continue;
    if (fault.thrown) throw std::runtime_error(*fault.thrown);
    return fault.error;
  }
  return platform::kErrorSuccess;
}

std::optional<MemoryRegistry::Handle> MemoryRegistry::Find(Hkey key) const {
  const auto root = roots_.find(key);
  if (root != roots_.end()) return Handle{root->second, key, platform::kKeyAllAccess};
  const auto open = handles_.find(key);
  if (open == handles_.end()) {
    ADD_FAILURE() << "registry call on a handle that is not open: "
                  << static_cast<std::uintptr_t>(key);
    return std::nullopt;
  }
  return open->second;
}

Long MemoryRegistry::Walk(const Handle& base, const char* sub_key, bool create,
                          std::shared_ptr<Node>* node, bool* created) {
  const std::vector<std::string> parts =
      platform::SplitKeyPath(std::string_view(sub_key ? sub_key : ""));
  if (const Long refused = platform::CheckKeyNames(parts)) return refused;
  if (base.node->deleted) return platform::kErrorKeyDeleted;
  std::shared_ptr<Node> current = base.node;
  for (const std::string& part : parts) {
    auto& children = current->children;
    auto child = children.find(Lower(part));
    if (child == children.end()) {
      if (!create) return platform::kErrorFileNotFound;
      if ((base.access & platform::kKeyCreateSubKey) == 0) return platform::kErrorAccessDenied;
      child = children.emplace(Lower(part), std::make_pair(part, std::make_shared<Node>())).first;
      *created = true;
    }
    current = child->second.second;
  }
  *node = current;
  return platform::kErrorSuccess;
}

Hkey MemoryRegistry::NewHandle(std::shared_ptr<Node> node, Hkey root, Dword sam) {
  const Hkey key{next_handle_};
  next_handle_ += 4;
  handles_[key] = {std::move(node), root, sam};
  return key;
}

Long MemoryRegistry::OpenOrCreate(Call call, Hkey key, const char* sub_key, Dword sam, Hkey* result,
                                  bool create, Dword* disposition) {
  *result = platform::kNoKey;
  if (const Long error = Injected(call, sub_key)) return error;
  const auto base = Find(key);
  if (!base) return platform::kErrorInvalidHandle;
  if (const Long refused = platform::CheckKeyPath(std::string_view(sub_key ? sub_key : ""))) {
    return refused;
  }
  if ((create || (sam & kWriteRights) != 0) && read_only_.count(base->root) != 0) {
    return platform::kErrorAccessDenied;
  }
  std::shared_ptr<Node> node;
  bool created = false;
  if (const Long error = Walk(*base, sub_key, create, &node, &created)) return error;
  if (disposition != nullptr) {
    *disposition = created ? platform::kRegCreatedNewKey : platform::kRegOpenedExistingKey;
  }
  *result = NewHandle(std::move(node), base->root, sam);
  return platform::kErrorSuccess;
}

Long MemoryRegistry::RegOpenKeyExA(Hkey key, const char* sub_key, Dword, Dword sam, Hkey* result) {
  return OpenOrCreate(Call::kOpenKey, key, sub_key, sam, result, false, nullptr);
}

Long MemoryRegistry::RegCreateKeyExA(Hkey key, const char* sub_key, Dword, Dword sam, Hkey* result,
                                     Dword* disposition) {
  return OpenOrCreate(Call::kCreateKey, key, sub_key, sam, result, true, disposition);
}

MemoryRegistry::Value* MemoryRegistry::FindValue(Node& node, const char* name) {
  const std::string wanted = Lower(name != nullptr ? name : "");
  for (Value& value : node.values) {
    if (Lower(value.name) == wanted) return &value;
  }
  return nullptr;
}

Long MemoryRegistry::RegSetValueExA(Hkey key, const char* name, Dword type,
                                    const std::uint8_t* data, Dword size) {
  if (const Long error = Injected(Call::kSetValue, name)) return error;
  const auto handle = Find(key);
  if (!handle) return platform::kErrorInvalidHandle;
  if (handle->node->deleted) return platform::kErrorKeyDeleted;
  if ((handle->access & platform::kKeySetValue) == 0) return platform::kErrorAccessDenied;
  const std::string value_name = name != nullptr ? name : "";
  if (value_name.size() > platform::kMaxValueNameLength) return platform::kErrorInvalidParameter;
  if (data == nullptr && size > 0) return platform::kErrorInvalidParameter;
  platform::RegistryValue held{type, std::vector<std::uint8_t>(data, data + size)};
  if (Value* existing = FindValue(*handle->node, name)) {
    existing->held = std::move(held);
  } else {
    handle->node->values.push_back({value_name, std::move(held)});
  }
  return platform::kErrorSuccess;
}

Long MemoryRegistry::RegQueryValueExA(Hkey key, const char* name, Dword* type, std::uint8_t* data,
                                      Dword* size) {
  if (const Long error = Injected(Call::kQueryValue, name)) return error;
  const auto handle = Find(key);
  if (!handle) return platform::kErrorInvalidHandle;
  if (handle->node->deleted) return platform::kErrorKeyDeleted;
  if ((handle->access & platform::kKeyQueryValue) == 0) return platform::kErrorAccessDenied;
  const Value* value = FindValue(*handle->node, name);
  if (value == nullptr) return platform::kErrorFileNotFound;
  if (data != nullptr && size == nullptr) return platform::kErrorInvalidParameter;
  if (type != nullptr) *type = value->held.type;
  return platform::CopyDataBytes(value->held.data, data, size);
}

Long MemoryRegistry::RegDeleteValueA(Hkey key, const char* name) {
  if (const Long error = Injected(Call::kDeleteValue, name)) return error;
  const auto handle = Find(key);
  if (!handle) return platform::kErrorInvalidHandle;
  if (handle->node->deleted) return platform::kErrorKeyDeleted;
  if ((handle->access & platform::kKeySetValue) == 0) return platform::kErrorAccessDenied;
  auto& values = handle->node->values;
  const Value* value = FindValue(*handle->node, name);
  if (value == nullptr) return platform::kErrorFileNotFound;
  values.erase(values.begin() + (value - values.data()));
  return platform::kErrorSuccess;
}

Long MemoryRegistry::RegDeleteKeyA(Hkey key, const char* sub_key) {
  if (const Long error = Injected(Call::kDeleteKey, sub_key)) return error;
  const auto base = Find(key);
  if (!base) return platform::kErrorInvalidHandle;
  const std::string path = sub_key != nullptr ? sub_key : "";
  std::vector<std::string> parts = platform::SplitKeyPath(std::string_view(path));
  if (parts.empty()) {
    ADD_FAILURE() << "RegDeleteKeyA without a sub-key path";
    return platform::kErrorInvalidParameter;
  }
  if (read_only_.count(base->root) != 0) return platform::kErrorAccessDenied;
  const std::string last = Lower(parts.back());
  parts.pop_back();
  std::string parent_path;
  for (const std::string& part : parts) parent_path += part + "\\";
  std::shared_ptr<Node> parent;
  bool created = false;
  if (const Long error = Walk(*base, parent_path.c_str(), false, &parent, &created)) return error;
  const auto child = parent->children.find(last);
  if (child == parent->children.end()) return platform::kErrorFileNotFound;
  if (!child->second.second->children.empty()) return platform::kErrorAccessDenied;
  child->second.second->deleted = true;
  parent->children.erase(child);
  return platform::kErrorSuccess;
}

Long MemoryRegistry::RegEnumValueA(Hkey key, Dword index, char* name, Dword* name_size, Dword* type,
                                   std::uint8_t* data, Dword* data_size) {
  if (const Long error = Injected(Call::kEnumValue, nullptr)) return error;
  const auto handle = Find(key);
  if (!handle) return platform::kErrorInvalidHandle;
  if (handle->node->deleted) return platform::kErrorKeyDeleted;
  const auto& values = handle->node->values;
  if (index >= values.size()) return platform::kErrorNoMoreItems;
  const Value& value = values[index];
  if (data != nullptr && data_size == nullptr) return platform::kErrorInvalidParameter;
  if (data != nullptr && value.held.data.size() > *data_size) {
    *data_size = static_cast<Dword>(value.held.data.size());
    if (type != nullptr) *type = value.held.type;
    return platform::kErrorMoreData;
  }
  if (const Long status = platform::CopyAnsiName(value.name, name, name_size)) return status;
  if (type != nullptr) *type = value.held.type;
  return platform::CopyDataBytes(value.held.data, data, data_size);
}

Long MemoryRegistry::RegEnumKeyExA(Hkey key, Dword index, char* name, Dword* name_size) {
  if (const Long error = Injected(Call::kEnumKey, nullptr)) return error;
  const auto handle = Find(key);
  if (!handle) return platform::kErrorInvalidHandle;
  if (handle->node->deleted) return platform::kErrorKeyDeleted;
  const auto& children = handle->node->children;
  if (index >= children.size()) return platform::kErrorNoMoreItems;
  return platform::CopyAnsiName(std::next(children.begin(), index)->second.first, name, name_size);
}

Long MemoryRegistry::RegQueryInfoKeyA(Hkey key, Dword* sub_keys, Dword* max_sub_key_len,
                                      Dword* values, Dword* max_value_name_len,
                                      Dword* max_value_len) {
  if (const Long error = Injected(Call::kQueryInfoKey, nullptr)) return error;
  const auto handle = Find(key);
  if (!handle) return platform::kErrorInvalidHandle;
  if (handle->node->deleted) return platform::kErrorKeyDeleted;
  const Node& node = *handle->node;
  std::size_t longest_key = 0;
  for (const auto& child : node.children)
    longest_key = std::max(longest_key, child.second.first.size());
  std::size_t longest_name = 0;
  std::size_t longest_data = 0;
  for (const Value& value : node.values) {
    longest_name = std::max(longest_name, value.name.size());
    longest_data = std::max(longest_data, value.held.data.size());
  }
  if (sub_keys != nullptr) *sub_keys = static_cast<Dword>(node.children.size());
  if (max_sub_key_len != nullptr) *max_sub_key_len = static_cast<Dword>(longest_key);
  if (values != nullptr) *values = static_cast<Dword>(node.values.size());
  if (max_value_name_len != nullptr) *max_value_name_len = static_cast<Dword>(longest_name);
  if (max_value_len != nullptr) *max_value_len = static_cast<Dword>(longest_data);
  return platform::kErrorSuccess;
}

Long MemoryRegistry::RegCloseKey(Hkey key) {
  if (roots_.count(key) != 0) return platform::kErrorSuccess;
  if (handles_.erase(key) == 0) {
    ADD_FAILURE() << "RegCloseKey on a handle that is not open: "
                  << static_cast<std::uintptr_t>(key);
    return platform::kErrorInvalidHandle;
  }
  return platform::kErrorSuccess;
}

}  // namespace regcorvex::test
