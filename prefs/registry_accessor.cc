#include "prefs/registry_accessor.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "prefs/pref_error.h"

namespace regcorvex {
namespace {

using platform::Dword;
using platform::Hkey;
using platform::kErrorSuccess;

[[noreturn]] void RaiseForValue(const char* what, const std::string& name) {
  throw PrefError(std::string(what) + " '" + name + "'");
}

bool IsTextType(Dword type) { return type == platform::kRegSz || type == platform::kRegExpandSz; }

// The registry's own comparison of value names, for the names it can be made without the code
// page: ASCII letters in either case are the same letter. Nothing for any other name.
std::optional<std::string> FoldedAsciiName(const std::string& name) {
  std::string folded(name.c_str());  // the registry sees the name up to its first zero byte
  for (char& c : folded) {
    if (static_cast<unsigned char>(c) >= 0x80) return std::nullopt;
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return folded;
}

}  // namespace

TRegistry::TRegistry(platform::Registry& registry) : registry_(registry) {}

void TRegistry::SetRootKey(platform::Hkey root) {
  if (root == root_) return;
  root_ = root;
  CloseKey();
}

Hkey TRegistry::BaseKey() const { return current_key_ ? current_key_.get() : root_; }

bool TRegistry::OpenKey(const std::string& path, bool create) {
  Hkey opened = platform::kNoKey;
  const platform::Long status =
      create && !path.empty()
          ? registry_.RegCreateKeyExA(BaseKey(), path.c_str(), platform::kRegOptionNonVolatile,
                                      access_, &opened, nullptr)
          : registry_.RegOpenKeyExA(BaseKey(), path.c_str(), 0, access_, &opened);
  if (status != kErrorSuccess) {
    RaiseIfUnreachable(registry_, root_);
    // So does a hive of which nothing may be changed (on a read-only file system, say), rather
    // than failing each key alike without a word.
    if (status == platform::kErrorAccessDenied) {
      const std::string reason = registry_.UnwritableReason(root_);
      if (!reason.empty()) throw PrefError(reason);
    }
    return false;
  }
  OpenedKey(opened);
  return true;
}

void TRegistry::RaiseIfUnreachable(platform::Registry& registry, platform::Hkey root) {
  // A registry that cannot be used at all (a damaged hive file, say), or a key behind a link that
  // leads nowhere, explains itself.
  std::string reason = registry.UnusableReason(root);
  if (reason.empty()) reason = registry.UnreachableReason();
  if (!reason.empty()) throw PrefError(reason);
}

bool TRegistry::OpenKeyReadOnly(const std::string& path) {
  constexpr std::array<Dword, 3> kMasks = {platform::kKeyRead, platform::kKeyReadStandard,
                                           platform::kKeyQueryValue};
  for (const Dword mask : kMasks) {
    Hkey opened = platform::kNoKey;
    if (registry_.RegOpenKeyExA(BaseKey(), path.c_str(), 0, mask, &opened) == kErrorSuccess) {
      OpenedKey(opened);
      access_ = mask;
      return true;
    }
  }
  return false;
}

void TRegistry::OpenedKey(Hkey opened) {
  current_key_ = platform::MakeUniqueHkey(registry_, opened);
  known_names_.reset();
  known_names_asked_ = false;
}

void TRegistry::CloseKey() {
  current_key_.reset();
  known_names_.reset();
  known_names_asked_ = false;
}

bool TRegistry::KnownAbsent(const std::string& name) {
  if (!known_names_asked_) {
    known_names_asked_ = true;
    Dword values = 0;
    if (registry_.RegQueryInfoKeyA(current_key_.get(), nullptr, nullptr, &values, nullptr,
                                   nullptr) == kErrorSuccess &&
        values == 0) {
      known_names_.emplace();
    }
  }
  if (!known_names_) return false;
  const std::optional<std::string> folded = FoldedAsciiName(name);
  return folded && !known_names_->contains(*folded);
}

void TRegistry::Wrote(const std::string& name) {
  if (!known_names_) return;
  if (const std::optional<std::string> folded = FoldedAsciiName(name)) {
    known_names_->insert(*folded);
  }
}

bool TRegistry::ValueExists(const std::string& name) { return GetDataSize(name) >= 0; }

std::int32_t TRegistry::GetDataSize(const std::string& name) {
  if (!current_key_ || KnownAbsent(name)) return -1;
  Dword type = platform::kRegNone;
  Dword size = 0;
  if (registry_.RegQueryValueExA(current_key_.get(), name.c_str(), &type, nullptr, &size) !=
          kErrorSuccess ||
      size > static_cast<Dword>(std::numeric_limits<std::int32_t>::max())) {
    return -1;
  }
  return static_cast<std::int32_t>(size);
}

bool TRegistry::KeyExists(const std::string& path) {
  Hkey opened = platform::kNoKey;
  if (registry_.RegOpenKeyExA(BaseKey(), path.c_str(), 0, platform::kKeyReadStandard, &opened) !=
      kErrorSuccess) {
    return false;
  }
  platform::MakeUniqueHkey(registry_, opened).reset();
  return true;
}

void TRegistry::GetValueNames(std::vector<std::string>& list) {
  list.clear();
  if (!current_key_) return;
  Dword count = 0;
  Dword longest = 0;
  if (registry_.RegQueryInfoKeyA(current_key_.get(), nullptr, nullptr, &count, &longest, nullptr) !=
      kErrorSuccess) {
    return;
  }
  std::vector<char> buffer(std::size_t{longest} + 1);
  for (Dword index = 0; index < count; ++index) {
    Dword length = static_cast<Dword>(buffer.size());
    if (registry_.RegEnumValueA(current_key_.get(), index, buffer.data(), &length, nullptr, nullptr,
                                nullptr) != kErrorSuccess) {
      return;
    }
    list.emplace_back(buffer.data(), std::min<std::size_t>(length, buffer.size()));
  }
}

void TRegistry::PutData(const std::string& name, Dword type, const std::uint8_t* data,
                        std::size_t size) {
  if (!current_key_ || size > std::numeric_limits<Dword>::max() ||
      registry_.RegSetValueExA(current_key_.get(), name.c_str(), type, data,
                               static_cast<Dword>(size)) != kErrorSuccess) {
    RaiseForValue("Failed to set data for", name);
  }
  Wrote(name);
}

void TRegistry::WriteInteger(const std::string& name, std::int32_t value) {
  std::uint8_t data[4];
  std::memcpy(data, &value, sizeof data);
  PutData(name, platform::kRegDword, data, sizeof data);
}

void TRegistry::WriteBool(const std::string& name, bool value) {
  WriteInteger(name, value ? 1 : 0);
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
  PutData(name, platform::kRegSz, reinterpret_cast<const std::uint8_t*>(value.c_str()),
          value.size() + 1);
}

void TRegistry::WriteBinaryData(const std::string& name, const std::uint8_t* buffer,
                                std::int32_t size) {
  if (size < 0 || (buffer == nullptr && size > 0)) RaiseForValue("Failed to set data for", name);
  PutData(name, platform::kRegBinary, buffer, static_cast<std::size_t>(size));
}

std::optional<TRegistry::StoredValue> TRegistry::Fetch(const std::string& name) {
  if (!current_key_ || KnownAbsent(name)) return std::nullopt;
  // Most values fit here, and then one query reads them; a longer one is asked for again at the
  // size the first query reported.
  StoredValue value{platform::kRegNone, std::vector<std::uint8_t>(256)};
  for (;;) {
    Dword size = static_cast<Dword>(value.data.size());
    const platform::Long status = registry_.RegQueryValueExA(current_key_.get(), name.c_str(),
                                                             &value.type, value.data.data(), &size);
    if (status == kErrorSuccess) {
      value.data.resize(std::min<std::size_t>(size, value.data.size()));
      return value;
    }
    if (status != platform::kErrorMoreData || size <= value.data.size() ||
        size > static_cast<Dword>(std::numeric_limits<std::int32_t>::max())) {
      return std::nullopt;
    }
    value.data.resize(size);
  }
}

std::int32_t TRegistry::IntegerOf(const StoredValue& value, const std::string& name) {
  // A four-byte query fails for longer data, whatever its type.
  if (value.data.size() > 4) RaiseForValue("Failed to get data for", name);
  if (value.type != platform::kRegDword) RaiseForValue("Invalid data type for", name);
  std::uint8_t data[4] = {};
  std::copy(value.data.begin(), value.data.end(), data);
  std::int32_t result = 0;
  std::memcpy(&result, data, sizeof result);
  return result;
}

bool TRegistry::BooleanOf(const StoredValue& value, const std::string& name) {
  return IntegerOf(value, name) != 0;
}

std::string TRegistry::StringOf(const StoredValue& value, const std::string& name) {
  if (value.data.empty()) return {};
  if (!IsTextType(value.type)) RaiseForValue("Invalid data type for", name);
  return std::string(value.data.begin(),
                     std::find(value.data.begin(), value.data.end(), std::uint8_t{0}));
}

const std::vector<std::uint8_t>& TRegistry::BinaryOf(const StoredValue& value,
                                                     const std::string& name) {
  const bool binary = value.type == platform::kRegBinary ||
                      (!IsTextType(value.type) && value.type != platform::kRegDword);
  if (!binary) RaiseForValue("Invalid data type for", name);
  return value.data;
}

std::int32_t TRegistry::CopyBinary(const StoredValue& value, const std::string& name,
                                   std::uint8_t* buffer, std::int32_t size) {
  const std::vector<std::uint8_t>& data = BinaryOf(value, name);
  if (size < 0 || data.size() > static_cast<std::size_t>(size)) {
    RaiseForValue("Invalid data type for", name);
  }
  std::copy(data.begin(), data.end(), buffer);
  return static_cast<std::int32_t>(data.size());
}

std::int32_t TRegistry::ReadInteger(const std::string& name) {
  const std::optional<StoredValue> value = Fetch(name);
  if (!value) RaiseForValue("Failed to get data for", name);
  return IntegerOf(*value, name);
}

bool TRegistry::ReadBool(const std::string& name) { return ReadInteger(name) != 0; }

std::string TRegistry::ReadString(const std::string& name) {
  const std::optional<StoredValue> value = Fetch(name);
  return value ? StringOf(*value, name) : std::string();
}

std::int32_t TRegistry::ReadBinaryData(const std::string& name, std::uint8_t* buffer,
                                       std::int32_t size) {
  const std::optional<StoredValue> value = Fetch(name);
  return value ? CopyBinary(*value, name, buffer, size) : 0;
}

bool TRegistry::DeleteValue(const std::string& name) {
  if (!current_key_ ||
      registry_.RegDeleteValueA(current_key_.get(), name.c_str()) != kErrorSuccess) {
    return false;
  }
  if (const std::optional<std::string> folded = FoldedAsciiName(name); folded && known_names_) {
    known_names_->erase(*folded);
  }
  return true;
}

bool TRegistry::DeleteKey(const std::string& path) { return DeleteTree(BaseKey(), path); }

bool TRegistry::DeleteTree(Hkey parent, const std::string& path) {
  Hkey opened = platform::kNoKey;
  if (registry_.RegOpenKeyExA(parent, path.c_str(), 0, access_, &opened) == kErrorSuccess) {
    const platform::UniqueHkey key = platform::MakeUniqueHkey(registry_, opened);
    Dword count = 0;
    Dword longest = 0;
    if (registry_.RegQueryInfoKeyA(key.get(), &count, &longest, nullptr, nullptr, nullptr) ==
        kErrorSuccess) {
      std::vector<char> buffer(std::size_t{longest} + 1);
      for (Dword index = count; index-- > 0;) {
        Dword length = static_cast<Dword>(buffer.size());
        if (registry_.RegEnumKeyExA(key.get(), index, buffer.data(), &length) == kErrorSuccess) {
          DeleteTree(key.get(),
                     std::string(buffer.data(), std::min<std::size_t>(length, buffer.size())));
        }
      }
    }
  }
  return registry_.RegDeleteKeyA(parent, path.c_str()) == kErrorSuccess;
}

}  // namespace regcorvex
