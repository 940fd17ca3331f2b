// Value data between the 8-bit registry functions and a hive, as Wine converts it: string types
// are stored as UTF-16 and passed in and out in the ANSI code page; other types as they are.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/posix/wine_registry_tree.h"
#include "platform/registry_copy.h"
#include "platform/win_types.h"

namespace platform::wine_registry {

// The bytes to store for data given to RegSetValueExA.
std::string StoredData(Dword type, std::string_view data);

// RegQueryValueExA's copy: with data null only *size is set; ERROR_MORE_DATA with the size
// needed when the buffer is short; a NUL added after text that lacks one when there is room.
Long CopyData(const Value& value, std::uint8_t* data, Dword* size);

// A key or value name into a buffer of *name_size characters with its NUL; *name_size becomes
// its length. ERROR_MORE_DATA (the name cut to fit) when it does not fit.
Long CopyName(std::u16string_view name, char* buffer, Dword* name_size);

}  // namespace platform::wine_registry
