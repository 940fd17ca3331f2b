// Value data between the 8-bit registry functions and a hive, as Wine converts it: string types
// are stored as UTF-16 and passed in and out in the ANSI code page; other types as they are.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/posix/wine_registry/tree.h"
#include "platform/registry_toolkit.h"
#include "platform/win_types.h"

namespace platform::wine_registry {

// The bytes to store for data given to RegSetValueExA.
std::string StoredData(Dword type, std::string_view data);

// RegQueryValueExA's copy, by CopyDataBytes's rules on the converted bytes, with a NUL added
// after text that lacks one when there is room.
Long CopyData(const Value& value, std::uint8_t* data, Dword* size);

}  // namespace platform::wine_registry
