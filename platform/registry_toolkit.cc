#include "platform/registry_toolkit.h"

#include <cstring>

namespace platform {

bool IsStringType(Dword type) {
  return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

std::u16string Utf16FromBytes(std::string_view bytes) {
  std::u16string text(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                    static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  }
  return text;
}

std::string BytesFromUtf16(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (const char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

Long CheckKeyPath(std::size_t length, bool leading_backslash) {
  if (length > kMaxKeyPathLength) return kErrorMoreData;
  if (leading_backslash) return kErrorBadPathname;
  return kErrorSuccess;
}

Long CopyWideName(std::u16string_view name, char16_t* buffer, Dword* name_size) {
  if (buffer == nullptr || name_size == nullptr) return kErrorInvalidParameter;
  if (name.size() >= *name_size) return kErrorMoreData;
  std::memcpy(buffer, name.data(), name.size() * sizeof(char16_t));
  buffer[name.size()] = u'\0';
  *name_size = static_cast<Dword>(name.size());
  return kErrorSuccess;
}

Long CopyAnsiName(std::string_view name, char* buffer, Dword* name_size) {
  if (buffer == nullptr || name_size == nullptr) return kErrorInvalidParameter;
  if (name.size() >= *name_size) {
    if (*name_size > 0) {
      std::memcpy(buffer, name.data(), *name_size - 1);
      buffer[*name_size - 1] = '\0';
    }
    return kErrorMoreData;
  }
  std::memcpy(buffer, name.data(), name.size());
  buffer[name.size()] = '\0';
  *name_size = static_cast<Dword>(name.size());
  return kErrorSuccess;
}

Long CopyDataBytes(std::string_view bytes, std::uint8_t* data, Dword* size) {
  const Dword needed = static_cast<Dword>(bytes.size());
  Long status = kErrorSuccess;
  if (data != nullptr) {
    if (size == nullptr) return kErrorInvalidParameter;
    if (needed > *size) {
      status = kErrorMoreData;
    } else if (needed > 0) {
      std::memcpy(data, bytes.data(), bytes.size());
    }
  }
  if (size != nullptr) *size = needed;
  return status;
}

}  // namespace platform
