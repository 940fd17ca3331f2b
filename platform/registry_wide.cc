// The wide-character registry functions over the 8-bit ones, for the registries that hold only
// names and text of the ANSI code page.
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/registry.h"
#include "platform/registry_toolkit.h"

namespace platform {

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
