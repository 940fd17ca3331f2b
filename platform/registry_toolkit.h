// What every registry implementation shares, so that each hands out names and data as Win32
// does: the value a key holds, Windows' limits on names and paths, how a key path splits into
// names, and how names and data go out into a caller's buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win_types.h"

namespace platform {

// Windows' limits on a key name and a value name, in characters.
inline constexpr std::size_t kMaxKeyNameLength = 255;
inline constexpr std::size_t kMaxValueNameLength = 16383;
// Wine converts an 8-bit key path into a buffer of MAX_PATH + 1 characters and fails a longer
// one with ERROR_MORE_DATA, where Windows takes it; the program runs under Wine.
inline constexpr std::size_t kMaxKeyPathLength = 260;

// A value as a key holds it: its type and its bytes.
struct RegistryValue {
  Dword type = kRegNone;
  std::vector<std::uint8_t> data;
  bool operator==(const RegistryValue&) const = default;
};

// REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ: kept as UTF-16, handed to the 8-bit functions converted.
bool IsStringType(Dword type);

// UTF-16 text and its little-endian bytes, as the registry stores it.
std::u16string Utf16FromBytes(std::string_view bytes);
std::string BytesFromUtf16(std::u16string_view text);

// A key path split into its names at backslashes, runs of them counting as one.
template <typename Char>
std::vector<std::basic_string<Char>> SplitKeyPath(std::basic_string_view<Char> path) {
  std::vector<std::basic_string<Char>> names;
  for (std::size_t start = 0; start < path.size();) {
    std::size_t end = path.find(Char('\\'), start);
    if (end == std::basic_string_view<Char>::npos) end = path.size();
    if (end > start) names.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

// Whether a key path given to an open or create can name a key at all: ERROR_MORE_DATA when it
// is longer than kMaxKeyPathLength, ERROR_BAD_PATHNAME when it starts with a backslash.
Long CheckKeyPath(std::size_t length, bool leading_backslash);
template <typename Char>
Long CheckKeyPath(std::basic_string_view<Char> path) {
  return CheckKeyPath(path.size(), !path.empty() && path.front() == Char('\\'));
}

// ERROR_INVALID_PARAMETER when one of the names is longer than kMaxKeyNameLength.
template <typename Char>
Long CheckKeyNames(const std::vector<std::basic_string<Char>>& names) {
  for (const auto& name : names) {
    if (name.size() > kMaxKeyNameLength) return kErrorInvalidParameter;
  }
  return kErrorSuccess;
}

// A UTF-16 name into a buffer of *name_size units with its NUL; *name_size becomes its length.
// ERROR_MORE_DATA when it does not fit, and the buffer is then left as it was.
Long CopyWideName(std::u16string_view name, char16_t* buffer, Dword* name_size);

// An 8-bit name into a buffer of *name_size characters with its NUL; *name_size becomes its
// length. ERROR_MORE_DATA when it does not fit, the name then cut to fit with its NUL.
Long CopyAnsiName(std::string_view name, char* buffer, Dword* name_size);

// Data bytes into a buffer of *size bytes: with data null only *size is set to what is needed
// (size may then be null too); ERROR_MORE_DATA with the size needed when the buffer is short;
// ERROR_INVALID_PARAMETER for a buffer without a size.
Long CopyDataBytes(std::string_view bytes, std::uint8_t* data, Dword* size);
inline Long CopyDataBytes(const std::vector<std::uint8_t>& bytes, std::uint8_t* data, Dword* size) {
  return CopyDataBytes(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                       data, size);
}

}  // namespace platform
