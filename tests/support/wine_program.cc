#include "tests/support/wine_program.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <thread>

namespace regcorvex::test {

std::vector<std::pair<std::string, std::string>> WineEnvironment(
    const std::filesystem::path& prefix) {
  return {{"WINEPREFIX", prefix.string()},
          {"WINEDEBUG", "-all"},
          {"WINEDLLOVERRIDES", "mscoree,mshtml="}};
}

namespace {

// The machine a PE file is built for (its COFF header's first field), or 0 when it is no PE file.
std::uint16_t PeMachine(const std::filesystem::path& program) {
  std::ifstream in(program, std::ios::binary);
  unsigned char bytes[4] = {};
  const auto read_at = [&](std::streamoff offset, std::streamsize count) {
    return static_cast<bool>(in.seekg(offset).read(reinterpret_cast<char*>(bytes), count));
  };
  if (!read_at(0, 2) || bytes[0] != 'M' || bytes[1] != 'Z' || !read_at(0x3C, 4)) return 0;
  const std::streamoff pe = bytes[0] | bytes[1] << 8 | bytes[2] << 16 | bytes[3] << 24;
  if (!read_at(pe, 4) || bytes[0] != 'P' || bytes[1] != 'E' || bytes[2] || bytes[3]) return 0;
  if (!read_at(pe + 4, 2)) return 0;
  return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

}  // namespace

std::string WineLoaderFor(const std::filesystem::path& program) {
  constexpr std::uint16_t kMachineI386 = 0x14C;
  return PeMachine(program) == kMachineI386 ? "wine" : kWine64Loader;
}

ProgramResult RunWineProgram(const std::filesystem::path& prefix,
                             const std::vector<std::string>& arguments,
                             std::chrono::seconds deadline, const std::string& working_folder) {
  std::vector<std::string> argv = {WineLoaderFor(arguments.at(0))};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return RunProgram(argv, WineEnvironment(prefix), working_folder, deadline);
}

ProgramResult RunWineTool(const std::filesystem::path& prefix,
                          const std::vector<std::string>& command, std::chrono::seconds deadline) {
  return RunProgram(command, WineEnvironment(prefix), "", deadline);
}

bool WaitForWineserver(const std::filesystem::path& prefix, std::chrono::seconds deadline) {
  if (!RunWineTool(prefix, {"wineserver", "-w"}, deadline).timed_out) return true;
  RunWineTool(prefix, {"wineserver", "-k"}, std::chrono::seconds(30));
  RunWineTool(prefix, {"wineserver", "-w"}, std::chrono::seconds(30));
  return false;
}

bool PollUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline) {
  const auto until = std::chrono::steady_clock::now() + deadline;
  for (auto pause = std::chrono::milliseconds(1);;
       pause = std::min(pause * 2, std::chrono::milliseconds(50))) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(pause);
  }
}

}  // namespace regcorvex::test
