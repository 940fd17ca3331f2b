// Finds a named section in the bytes of a little-endian ELF file (32- or 64-bit). Untrusted input:
// a truncated or lying file yields nullopt, never a read outside the bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace platform {

// The contents of the first section called name; nullopt when there is none or it holds no bytes
// in the file.
std::optional<std::span<const std::uint8_t>> FindElfSection(std::span<const std::uint8_t> file,
                                                            std::string_view name);

}  // namespace platform
