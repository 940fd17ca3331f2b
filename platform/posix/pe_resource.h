// Finds a resource in the bytes of a PE file (32- or 64-bit) by walking its resource directory as
// the Windows loader does: type, then name, then language. Untrusted input: a truncated or lying
// file yields nullopt, never a read outside the bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace platform {

// The data of the resource with numeric type and name. Of its languages, the first of neutral,
// US English and neutral English is taken, else the first listed, as Wine chooses under an English
// locale.
std::optional<std::span<const std::uint8_t>> FindPeResource(std::span<const std::uint8_t> file,
                                                            std::uint16_t type, std::uint16_t name);

}  // namespace platform
