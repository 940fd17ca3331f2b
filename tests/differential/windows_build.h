// The programs of the Windows build that the native build was told of (REGCORVEX_WINDOWS_BUILD),
// for the tests and tools that compare the two builds.
#pragma once

#include <filesystem>
#include <optional>

#include "tests/differential/command_line_differential.h"

namespace regcorvex::test {

// The build folder of the Windows build that the native build was told of (may be empty).
std::filesystem::path ConfiguredWindowsBuild();

// The programs of the Windows build in the folder build for the command-line differential, or
// nothing (with why in *missing) when that build, Wine or the display is missing. Boots the
// template prefix once per build folder.
std::optional<Programs> DifferentialPrograms(const std::filesystem::path& build,
                                             std::string* missing);

}  // namespace regcorvex::test
