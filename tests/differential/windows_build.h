// The programs of the Windows build that the native build was told of (REGCORVEX_WINDOWS_BUILD),
// for the tests and tools that compare the two builds.
#pragma once

#include <optional>

#include "tests/differential/command_line_differential.h"

namespace regcorvex::test {

// The programs for the command-line differential, or nothing (with why in *missing) when the
// Windows build, Wine or the display is missing. Boots the template prefix once per build folder.
std::optional<Programs> DifferentialPrograms(std::string* missing);

}  // namespace regcorvex::test
