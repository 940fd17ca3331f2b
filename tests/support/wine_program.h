// Wine programs run from native tests and tools, each with a deadline and with its output in
// files (run_program.h): a `wine` call may leave Wine's desktop process or the prefix's wineserver
// running, and either would hold a pipe open.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/run_program.h"

namespace regcorvex::test {

// WINEPREFIX, WINEDEBUG=-all, and no Mono or Gecko installer.
std::vector<std::pair<std::string, std::string>> WineEnvironment(
    const std::filesystem::path& prefix);

// The loader that starts program at once: Wine's 64-bit loader for a 64-bit Windows program and
// for Wine's own tools (reg, cmd), `wine` for a 32-bit program. `wine` is the 32-bit loader: it
// hands a 64-bit program over only after a start of its own, which takes minutes where 32-bit
// programs run emulated.
std::string WineLoaderFor(const std::filesystem::path& program);
inline constexpr char kWine64Loader[] = "/usr/lib/wine/wine64";

// Runs the Windows program arguments[0] with the rest of the arguments in prefix, through its
// loader. The run does not wait for the prefix's wineserver.
ProgramResult RunWineProgram(const std::filesystem::path& prefix,
                             const std::vector<std::string>& arguments,
                             std::chrono::seconds deadline = kDefaultDeadline,
                             const std::string& working_folder = "");

// Runs a Wine tool of the prefix (wineboot, wineserver) with a deadline.
ProgramResult RunWineTool(const std::filesystem::path& prefix,
                          const std::vector<std::string>& command,
                          std::chrono::seconds deadline = kDefaultDeadline);

// Waits until the prefix's wineserver has saved the registry and ended (`wineserver -w`); one
// that has not ended by the deadline is killed. False when it had to be killed.
bool WaitForWineserver(const std::filesystem::path& prefix,
                       std::chrono::seconds deadline = std::chrono::seconds(60));

// Polls condition until it holds or the deadline passes; returns whether it held.
bool PollUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline);

}  // namespace regcorvex::test
