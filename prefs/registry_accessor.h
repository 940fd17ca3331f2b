// TRegistry: one open registry key under a chosen root, over the platform's 8-bit registry calls.
// Paths are relative to the open key when there is one, else to the root. Opens, lookups and
// deletes answer false; writes and typed reads raise PrefError with "Failed to set data for '%s'",
// "Failed to get data for '%s'" or "Invalid data type for '%s'" (%s being the value name).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/registry.h"
#include "platform/registry_toolkit.h"
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
  // Raises PrefError with the registry's reason when the registry itself stands in the way (a
  // damaged or unreadable hive file, a prefix another program holds, a link on the way that leads
  // nowhere, a hive that cannot be written at all).
  bool OpenKey(const std::string& path, bool create);
  // Tries KEY_READ, then read and enumerate, then query only; the mask that worked is kept for
  // later opens.
  bool OpenKeyReadOnly(const std::string& path);
  // Raises PrefError with the registry's reason when the last open or create below root failed
  // because the keys there cannot be used at all, or a link on the way leads nowhere; returns
  // otherwise.
  static void RaiseIfUnreachable(platform::Registry& registry, platform::Hkey root);
  void CloseKey();

  bool ValueExists(const std::string& name);
  // The size the registry reports for the value's data, or -1.
  std::int32_t GetDataSize(const std::string& name);

  // A value as stored: its type and its data, read in one query where the data is short.
  using StoredValue = platform::RegistryValue;
  // The value, or nothing when the open key does not hold it (or no key is open).
  std::optional<StoredValue> Fetch(const std::string& name);
  // A stored value read as ReadInteger, ReadBool, ReadString and ReadBinaryData read it, with
  // their errors.
  static std::int32_t IntegerOf(const StoredValue& value, const std::string& name);
  static bool BooleanOf(const StoredValue& value, const std::string& name);
  static std::string StringOf(const StoredValue& value, const std::string& name);
  static const std::vector<std::uint8_t>& BinaryOf(const StoredValue& value,
                                                   const std::string& name);
  // Copies the data of a binary value into buffer when it fits in size bytes; returns its length.
  static std::int32_t CopyBinary(const StoredValue& value, const std::string& name,
                                 std::uint8_t* buffer, std::int32_t size);
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
  bool DeleteTree(platform::Hkey parent, const std::string& path);
  void OpenedKey(platform::Hkey opened);
  // Whether the open key is known to hold no value of name: see known_names_.
  bool KnownAbsent(const std::string& name);
  void Wrote(const std::string& name);

  platform::Registry& registry_;
  platform::Hkey root_ = platform::kHkeyCurrentUser;
  platform::Dword access_ = platform::kKeyAllAccess;
  platform::UniqueHkey current_key_;
  // The open key held no value when first asked, and these are the values written through this
  // accessor since (their names folded to upper case): a question about any other name needs no
  // query. Every value query is a round trip to the registry server under Windows, and a key that
  // an import fills is usually new. Unset while nothing is known about the key.
  std::optional<std::unordered_set<std::string>> known_names_;
  bool known_names_asked_ = false;
};

}  // namespace regcorvex
