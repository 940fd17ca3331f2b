// Lifts the version resource (type 16, name 1) out of a compiled resource file (.res), the form in
// which windres hands the program's resources to the linker. The build uses it to give the native
// program the very bytes that RegCorvex.exe carries.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace regcorvex {

// The data of the first version resource in res; nullopt when there is none or the file is
// malformed.
std::optional<std::span<const std::uint8_t>> ExtractVersionResource(
    std::span<const std::uint8_t> res);

}  // namespace regcorvex
