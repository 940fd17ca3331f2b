// Hexadecimal digits: the value of one, in either case, and bytes spelled as pairs of them.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace platform {

// 0 to 15 for a hexadecimal digit in either case, -1 for any other character.
constexpr int HexDigitValue(char32_t c) {
  if (c >= U'0' && c <= U'9') return static_cast<int>(c - U'0');
  if (c >= U'a' && c <= U'f') return static_cast<int>(c - U'a') + 10;
  if (c >= U'A' && c <= U'F') return static_cast<int>(c - U'A') + 10;
  return -1;
}

// Two upper-case digits a byte, high half first, separator between two bytes.
std::string HexBytes(std::span<const std::uint8_t> bytes, std::string_view separator = {});

}  // namespace platform
