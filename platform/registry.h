// The 8-bit Win32 registry functions the preference store uses, as an interface: the Windows build
// forwards to the real registry, the native build keeps the Wine prefix's hive files, and tests
// substitute stand-ins. Every call returns a Win32 error code; "not found" is kErrorFileNotFound.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win_types.h"

namespace platform {

class Registry {
 public:
  virtual ~Registry() = default;

  virtual Long RegOpenKeyExA(Hkey key, const char* sub_key, Dword options, Dword sam,
                             Hkey* result) = 0;
  virtual Long RegCreateKeyExA(Hkey key, const char* sub_key, Dword options, Dword sam,
                               Hkey* result, Dword* disposition) = 0;
  virtual Long RegSetValueExA(Hkey key, const char* name, Dword type, const std::uint8_t* data,
                              Dword size) = 0;
  // data may be null to ask for the type and size only; *size is in and out, as in Win32.
  virtual Long RegQueryValueExA(Hkey key, const char* name, Dword* type, std::uint8_t* data,
                                Dword* size) = 0;
  virtual Long RegDeleteValueA(Hkey key, const char* name) = 0;
  virtual Long RegDeleteKeyA(Hkey key, const char* sub_key) = 0;
  // *name_size: buffer size in, characters written (without the NUL) out.
  virtual Long RegEnumValueA(Hkey key, Dword index, char* name, Dword* name_size, Dword* type,
                             std::uint8_t* data, Dword* data_size) = 0;
  virtual Long RegEnumKeyExA(Hkey key, Dword index, char* name, Dword* name_size) = 0;
  // Any out-pointer may be null. Lengths are in characters (names) and bytes (data).
  virtual Long RegQueryInfoKeyA(Hkey key, Dword* sub_keys, Dword* max_sub_key_len, Dword* values,
                                Dword* max_value_name_len, Dword* max_value_len) = 0;
  virtual Long RegCloseKey(Hkey key) = 0;

  // The wide-character forms, for a listing that must show names and text outside the ANSI code
  // page. Names are in UTF-16 and their sizes in UTF-16 units; text data comes as UTF-16 bytes.
  // By default they go through the 8-bit functions above, which suits a registry that only ever
  // holds what those can say.
  virtual Long RegOpenKeyExW(Hkey key, const char16_t* sub_key, Dword options, Dword sam,
                             Hkey* result);
  virtual Long RegEnumKeyExW(Hkey key, Dword index, char16_t* name, Dword* name_size);
  virtual Long RegEnumValueW(Hkey key, Dword index, char16_t* name, Dword* name_size, Dword* type,
                             std::uint8_t* data, Dword* data_size);

  // Makes every change durable. The Windows registry persists by itself; the native registry
  // saves its hive files here. Returns an empty string on success, else what went wrong.
  virtual std::string Persist() { return {}; }

  // Why the keys below the predefined root cannot be used at all (a damaged hive file, a
  // registry another program holds), which every call on them then fails for; empty when they
  // can be used or the registry has no more to say than its error codes.
  virtual std::string UnusableReason(Hkey /*root*/) { return {}; }

  // Why the last call that looked for a key (an open, a create, a delete) found none although its
  // hive can be used: a link on the way that cannot be followed (a circle of links, a target in
  // another hive, no target at all). Empty when that call found its key, or failed as its error
  // code says.
  virtual std::string UnreachableReason() { return {}; }

  // Why nothing below the predefined root can be changed (a read-only file system, the
  // permissions of a hive file); empty when it can, or the registry has no more to say than its
  // error codes.
  virtual std::string UnwritableReason(Hkey /*root*/) { return {}; }
};

// The registry of this platform: process-wide, created on first use.
Registry& DefaultRegistry();

// The same registry for a program that only looks at it: the native one then never creates,
// saves or removes a file (a missing Wine prefix is reported, not made).
Registry& ReadOnlyRegistry();

}  // namespace platform
