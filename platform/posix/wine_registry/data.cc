#include "platform/posix/wine_registry/data.h"

#include "platform/code_page.h"

namespace platform::wine_registry {

std::string StoredData(Dword type, std::string_view data) {
  return IsStringType(type) ? BytesFromUtf16(AnsiToWide(data)) : std::string(data);
}

Long CopyData(const Value& value, std::uint8_t* data, Dword* size) {
  const bool text = IsStringType(value.type);
  const std::string bytes = text ? WideToAnsi(Utf16FromBytes(value.data)) : value.data;
  const Dword room = size != nullptr ? *size : 0;
  const Long status = CopyDataBytes(bytes, data, size);
  if (status == kErrorSuccess && data != nullptr && text && !bytes.empty() && bytes.size() < room &&
      bytes.back() != '\0') {
    data[bytes.size()] = 0;
  }
  return status;
}

}  // namespace platform::wine_registry
