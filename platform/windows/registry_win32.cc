// The registry of the running system: each call forwards to its 8-bit Win32 function.
#include "platform/registry.h"
#include "platform/windows/win32.h"

namespace platform {
namespace {

// The product reads its machine keys where a 32-bit program sees them: on 64-bit Windows that is
// the 32-bit view of HKLM\Software (Wow6432Node). A path from the machine root is taken in that
// view unless the caller asks for one, so the 32-bit and the 64-bit program reach the same keys; a
// key opened that way is in the view already, and paths below it need no view. A 32-bit program
// is in that view anyway, and 32-bit Windows has no other. The user's keys are the same in both.
Dword InProductView(Hkey key, Dword sam) {
  if (key != kHkeyLocalMachine || (sam & KEY_WOW64_RES) != 0) return sam;
  return sam | KEY_WOW64_32KEY;
}

// UTF-16 names as the wide functions take them: wchar_t is 16 bits wide on Windows.
const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
wchar_t* Wide(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }

class Win32Registry final : public Registry {
 public:
  Long RegOpenKeyExA(Hkey key, const char* sub_key, Dword options, Dword sam,
                     Hkey* result) override {
    HKEY opened = nullptr;
    const LONG status =
        ::RegOpenKeyExA(ToNative(key), sub_key, options, InProductView(key, sam), &opened);
    *result = status == ERROR_SUCCESS ? FromNative(opened) : kNoKey;
    return status;
  }

  Long RegCreateKeyExA(Hkey key, const char* sub_key, Dword options, Dword sam, Hkey* result,
                       Dword* disposition) override {
    HKEY created = nullptr;
    DWORD how = 0;
    const LONG status = ::RegCreateKeyExA(ToNative(key), sub_key, 0, nullptr, options,
                                          InProductView(key, sam), nullptr, &created, &how);
    *result = status == ERROR_SUCCESS ? FromNative(created) : kNoKey;
    if (disposition != nullptr) *disposition = how;
    return status;
  }

  Long RegSetValueExA(Hkey key, const char* name, Dword type, const std::uint8_t* data,
                      Dword size) override {
    return ::RegSetValueExA(ToNative(key), name, 0, type, data, size);
  }

  Long RegQueryValueExA(Hkey key, const char* name, Dword* type, std::uint8_t* data,
                        Dword* size) override {
    DWORD value_type = 0;
    DWORD value_size = size != nullptr ? *size : 0;
    const LONG status = ::RegQueryValueExA(ToNative(key), name, nullptr, &value_type, data,
                                           size != nullptr ? &value_size : nullptr);
    if (type != nullptr) *type = value_type;
    if (size != nullptr) *size = value_size;
    return status;
  }

  Long RegDeleteValueA(Hkey key, const char* name) override {
    return ::RegDeleteValueA(ToNative(key), name);
  }

  Long RegDeleteKeyA(Hkey key, const char* sub_key) override {
    return ::RegDeleteKeyExA(ToNative(key), sub_key, InProductView(key, 0), 0);
  }

  Long RegEnumValueA(Hkey key, Dword index, char* name, Dword* name_size, Dword* type,
                     std::uint8_t* data, Dword* data_size) override {
    DWORD name_length = *name_size;
    DWORD value_type = 0;
    DWORD value_size = data_size != nullptr ? *data_size : 0;
    const LONG status =
        ::RegEnumValueA(ToNative(key), index, name, &name_length, nullptr, &value_type, data,
                        data_size != nullptr ? &value_size : nullptr);
    *name_size = name_length;
    if (type != nullptr) *type = value_type;
    if (data_size != nullptr) *data_size = value_size;
    return status;
  }

  Long RegEnumKeyExA(Hkey key, Dword index, char* name, Dword* name_size) override {
    DWORD name_length = *name_size;
    const LONG status = ::RegEnumKeyExA(ToNative(key), index, name, &name_length, nullptr, nullptr,
                                        nullptr, nullptr);
    *name_size = name_length;
    return status;
  }

  Long RegOpenKeyExW(Hkey key, const char16_t* sub_key, Dword options, Dword sam,
                     Hkey* result) override {
    HKEY opened = nullptr;
    const LONG status =
        ::RegOpenKeyExW(ToNative(key), Wide(sub_key), options, InProductView(key, sam), &opened);
    *result = status == ERROR_SUCCESS ? FromNative(opened) : kNoKey;
    return status;
  }

  Long RegEnumKeyExW(Hkey key, Dword index, char16_t* name, Dword* name_size) override {
    DWORD name_length = *name_size;
    const LONG status = ::RegEnumKeyExW(ToNative(key), index, Wide(name), &name_length, nullptr,
                                        nullptr, nullptr, nullptr);
    *name_size = name_length;
    return status;
  }

  Long RegEnumValueW(Hkey key, Dword index, char16_t* name, Dword* name_size, Dword* type,
                     std::uint8_t* data, Dword* data_size) override {
    DWORD name_length = *name_size;
    DWORD value_type = 0;
    DWORD value_size = data_size != nullptr ? *data_size : 0;
    const LONG status =
        ::RegEnumValueW(ToNative(key), index, Wide(name), &name_length, nullptr, &value_type, data,
                        data_size != nullptr ? &value_size : nullptr);
    *name_size = name_length;
    if (type != nullptr) *type = value_type;
    if (data_size != nullptr) *data_size = value_size;
    return status;
  }

  Long RegQueryInfoKeyA(Hkey key, Dword* sub_keys, Dword* max_sub_key_len, Dword* values,
                        Dword* max_value_name_len, Dword* max_value_len) override {
    DWORD counts[5] = {};
    const LONG status =
        ::RegQueryInfoKeyA(ToNative(key), nullptr, nullptr, nullptr, &counts[0], &counts[1],
                           nullptr, &counts[2], &counts[3], &counts[4], nullptr, nullptr);
    Dword* outs[5] = {sub_keys, max_sub_key_len, values, max_value_name_len, max_value_len};
    for (int i = 0; i < 5; ++i) {
      if (outs[i] != nullptr) *outs[i] = counts[i];
    }
    return status;
  }

  Long RegCloseKey(Hkey key) override { return ::RegCloseKey(ToNative(key)); }
};

}  // namespace

Registry& DefaultRegistry() {
  static Win32Registry registry;
  return registry;
}

Registry& ReadOnlyRegistry() { return DefaultRegistry(); }

}  // namespace platform
