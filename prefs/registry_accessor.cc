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
    // A registry that cannot be used at all (a damaged hive file, say) explains itself.
    const std::string reason = registry_.FailureText(status);
    if (!reason.empty()) throw PrefError(reason);
    return false;
  }
  current_key_ = platform::MakeUniqueHkey(registry_, opened);
  return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& path) {
  constexpr std::array<Dword, 3> kMasks = {platform::kKeyRead, platform::kKeyReadStandard,
                                           platform::kKeyQueryValue};
  for (const Dword mask : kMasks) {
    Hkey opened = platform::kNoKey;
    if (registry_.RegOpenKeyExA(BaseKey(), path.c_str(), 0, mask, &opened) == kErrorSuccess) {
      current_key_ = platform::MakeUniqueHkey(registry_, opened);
      access_ = mask;
      return true;
    }
  }
  return false;
}

void TRegistry::CloseKey() { current_key_.reset(); }

bool TRegistry::ValueExists(const std::string& name) { return GetDataSize(name) >= 0; }

std::int32_t TRegistry::GetDataSize(const std::string& name) {
  if (!current_key_) return -1;
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

Dword TRegistry::GetData(const std::string& name, std::uint8_t* data, Dword* size) {
  Dword type = platform::kRegNone;
  if (!current_key_ || registry_.RegQueryValueExA(current_key_.get(), name.c_str(), &type, data,
                                                  size) != kErrorSuccess) {
    RaiseForValue("Failed to get data for", name);
  }
  return type;
}

std::int32_t TRegistry::ReadInteger(const std::string& name) {
  std::uint8_t data[4] = {};
  Dword size = sizeof data;
  if (GetData(name, data, &size) != platform::kRegDword) {
    RaiseForValue("Invalid data type for", name);
  }
  std::int32_t value = 0;
  std::memcpy(&value, data, sizeof value);
  return value;
}

bool TRegistry::ReadBool(const std::string& name) { return ReadInteger(name) != 0; }

std::string TRegistry::ReadString(const std::string& name) {
  const std::int32_t expected = GetDataSize(name);
  if (expected <= 0) return {};
  std::vector<std::uint8_t> data(static_cast<std::size_t>(expected));
  Dword size = static_cast<Dword>(data.size());
  if (!IsTextType(GetData(name, data.data(), &size))) RaiseForValue("Invalid data type for", name);
  const auto end = data.begin() + std::min<std::size_t>(size, data.size());
  return std::string(data.begin(), std::find(data.begin(), end, std::uint8_t{0}));
}

std::int32_t TRegistry::ReadBinaryData(const std::string& name, std::uint8_t* buffer,
                                       std::int32_t size) {
  if (!current_key_) return 0;
  Dword type = platform::kRegNone;
  Dword length = 0;
  if (registry_.RegQueryValueExA(current_key_.get(), name.c_str(), &type, nullptr, &length) !=
      kErrorSuccess) {
    return 0;
  }
  const bool binary =
      type == platform::kRegBinary || (!IsTextType(type) && type != platform::kRegDword);
  if (!binary || size < 0 || length > static_cast<Dword>(size)) {
    RaiseForValue("Invalid data type for", name);
  }
  GetData(name, buffer, &length);
  return static_cast<std::int32_t>(length);
}

bool TRegistry::DeleteValue(const std::string& name) {
  return current_key_ &&
         registry_.RegDeleteValueA(current_key_.get(), name.c_str()) == kErrorSuccess;
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
