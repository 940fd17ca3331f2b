#include "platform/posix/wine_registry_data.h"

#include <cstring>

#include "platform/code_page.h"

namespace platform::wine_registry {

std::string StoredData(Dword type, std::string_view data) {
  return IsStringType(type) ? BytesFromUtf16(AnsiToWide(data)) : std::string(data);
}

Long CopyData(const Value& value, std::uint8_t* data, Dword* size) {
  const bool text = IsStringType(value.type);
  const std::string bytes = text ? WideToAnsi(Utf16FromBytes(value.data)) : value.data;
  const Dword needed = static_cast<Dword>(bytes.size());
  Long status = kErrorSuccess;
  if (data != nullptr) {
    if (needed > *size) {
      status = kErrorMoreData;
    } else {
      std::memcpy(data, bytes.data(), bytes.size());
      if (text && needed > 0 && needed < *size && bytes.back() != '\0') data[needed] = 0;
    }
  }
  if (size != nullptr) *size = needed;
  return status;
}

Long CopyName(std::u16string_view name, char* buffer, Dword* name_size) {
  if (buffer == nullptr) return kErrorInvalidParameter;
  const std::string text = WideToAnsi(name);
  if (text.size() >= *name_size) {
    if (*name_size > 0) {
      std::memcpy(buffer, text.data(), *name_size - 1);
      buffer[*name_size - 1] = '\0';
    }
    return kErrorMoreData;
  }
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  *name_size = static_cast<Dword>(text.size());
  return kErrorSuccess;
}

}  // namespace platform::wine_registry
