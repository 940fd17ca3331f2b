// The wide-character registry functions over the 8-bit ones, for the registries that hold only
// names and text of the ANSI code page, and the copy-out rules that every registry shares.
#include <cstring>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/registry.h"
#include "platform/registry_copy.h"

namespace platform {
namespace {

constexpr Dword kMaxKeyNameLength = 255;
constexpr Dword kMaxValueNameLength = 16383;

}  // namespace

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

Long CopyWideName(std::u16string_view name, char16_t* buffer, Dword* name_size) {
  if (buffer == nullptr || name_size == nullptr) return kErrorInvalidParameter;
  if (name.size() >= *name_size) return kErrorMoreData;
  std::memcpy(buffer, name.data(), name.size() * sizeof(char16_t));
  buffer[name.size()] = u'\0';
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
    } else {
      std::memcpy(data, bytes.data(), bytes.size());
    }
  }
  if (size != nullptr) *size = needed;
  return status;
}

Long Registry::RegOpenKeyExW(Hkey key, const char16_t* sub_key, Dword options, Dword sam,
                             Hkey* result) {
  const std::string ansi = WideToAnsi(sub_key != nullptr ? sub_key : u"");
  return RegOpenKeyExA(key, sub_key != nullptr ? ansi.c_str() : nullptr, options, sam, result);
}

Long Registry::RegEnumKeyExW(Hkey key, Dword index, char16_t* name, Dword* name_size) {
  char ansi[kMaxKeyNameLength + 1];
  Dword size = sizeof(ansi);
  if (const Long status = RegEnumKeyExA(key, index, ansi, &size)) return status;
  return CopyWideName(AnsiToWide(std::string_view(ansi, size)), name, name_size);
}

Long Registry::RegEnumValueW(Hkey key, Dword index, char16_t* name, Dword* name_size, Dword* type,
                             std::uint8_t* data, Dword* data_size) {
  std::vector<char> ansi_name(kMaxValueNameLength + 1);
  Dword ansi_size = static_cast<Dword>(ansi_name.size());
  Dword value_type = 0;
  Dword ansi_data_size = 0;
  Long status = RegEnumValueA(key, index, ansi_name.data(), &ansi_size, &value_type, nullptr,
                              &ansi_data_size);
  std::vector<std::uint8_t> ansi_data(ansi_data_size);
  if (status == kErrorSuccess) {
    ansi_size = static_cast<Dword>(ansi_name.size());
    status = RegEnumValueA(key, index, ansi_name.data(), &ansi_size, &value_type, ansi_data.data(),
                           &ansi_data_size);
  }
  if (status != kErrorSuccess) return status;
  const std::string_view bytes(reinterpret_cast<const char*>(ansi_data.data()), ansi_data_size);
  const std::string wide_data =
      IsStringType(value_type) ? BytesFromUtf16(AnsiToWide(bytes)) : std::string(bytes);
  if (type != nullptr) *type = value_type;
  if (data_size != nullptr || data != nullptr) {
    if (const Long copied = CopyDataBytes(wide_data, data, data_size)) return copied;
  }
  return CopyWideName(AnsiToWide(std::string_view(ansi_name.data(), ansi_size)), name, name_size);
}

}  // namespace platform
