// How the registry functions hand names and data out into a caller's buffers, as Win32 does.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/win_types.h"

namespace platform {

// REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ: kept as UTF-16, handed to the 8-bit functions converted.
bool IsStringType(Dword type);

// UTF-16 text and its little-endian bytes, as the registry stores it.
std::u16string Utf16FromBytes(std::string_view bytes);
std::string BytesFromUtf16(std::u16string_view text);

// A UTF-16 name into a buffer of *name_size units with its NUL; *name_size becomes its length.
// ERROR_MORE_DATA when it does not fit, and the buffer is then left as it was.
Long CopyWideName(std::u16string_view name, char16_t* buffer, Dword* name_size);

// Data bytes into a buffer of *size bytes: with data null only *size is set to what is needed;
// ERROR_MORE_DATA with the size needed when the buffer is short.
Long CopyDataBytes(std::string_view bytes, std::uint8_t* data, Dword* size);

}  // namespace platform
