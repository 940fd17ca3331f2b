// TRegistry: one open registry key under a chosen root, over the platform's 8-bit registry calls.
// Paths are relative to the open key when there is one, else to the root. Opens, lookups and
// deletes answer false; writes and typed reads raise PrefError with "Failed to set data for '%s'",
// "Failed to get data for '%s'" or "Invalid data type for '%s'" (%s being the value name).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/unique_hkey.h"

namespace regcorvex {

class TRegistry {
 public:
  // A new accessor has the root HKEY_CURRENT_USER, full access and no open key.
  explicit TRegistry(platform::Registry& registry);

  // Changing the root closes the open key.
  void SetRootKey(platform::Hkey root);
  bool HasOpenKey() const { return static_cast<bool>(current_key_); }

  // With create and a non-empty path the missing levels are created; otherwise the key must exist.
  // Raises PrefError with the registry's reason when the registry itself cannot be used.
  bool OpenKey(const std::string& path, bool create);
  // Tries KEY_READ, then read and enumerate, then query only; the mask that worked is kept for
  // later opens.
  bool OpenKeyReadOnly(const std::string& path);
  void CloseKey();

  bool ValueExists(const std::string& name);
  // The size the registry reports for the value's data, or -1.
  std::int32_t GetDataSize(const std::string& name);
  bool KeyExists(const std::string& path);
  // Replaces list with the names of the open key's values, in enumeration order.
  void GetValueNames(std::vector<std::string>& list);

  void WriteInteger(const std::string& name, std::int32_t value);
  void WriteBool(const std::string& name, bool value);
  void WriteString(const std::string& name, const std::string& value);
  void WriteBinaryData(const std::string& name, const std::uint8_t* buffer, std::int32_t size);

  std::int32_t ReadInteger(const std::string& name);
  bool ReadBool(const std::string& name);
  // Up to the first zero byte, and never beyond the data returned; "" for a missing or empty value.
  std::string ReadString(const std::string& name);
  // Copies the data into buffer when it fits in size bytes and returns its length. A missing value
  // gives 0.
  std::int32_t ReadBinaryData(const std::string& name, std::uint8_t* buffer, std::int32_t size);

  bool DeleteValue(const std::string& name);
  // Deletes the key at path with everything below it.
  bool DeleteKey(const std::string& path);

 private:
  platform::Hkey BaseKey() const;
  void PutData(const std::string& name, platform::Dword type, const std::uint8_t* data,
               std::size_t size);
  // Queries the value into data (*size bytes in, bytes returned out) and returns its type.
  platform::Dword GetData(const std::string& name, std::uint8_t* data, platform::Dword* size);
  bool DeleteTree(platform::Hkey parent, const std::string& path);

  platform::Registry& registry_;
  platform::Hkey root_ = platform::kHkeyCurrentUser;
  platform::Dword access_ = platform::kKeyAllAccess;
  platform::UniqueHkey current_key_;
};

}  // namespace regcorvex
