#include "tests/support/wine_program.h"

#include <algorithm>
#include <thread>

namespace regcorvex::test {

std::vector<std::pair<std::string, std::string>> WineEnvironment(
    const std::filesystem::path& prefix) {
  return {{"WINEPREFIX", prefix.string()},
          {"WINEDEBUG", "-all"},
          {"WINEDLLOVERRIDES", "mscoree,mshtml="}};
}

ProgramResult RunWineProgram(const std::filesystem::path& prefix,
                             const std::vector<std::string>& arguments,
                             std::chrono::seconds deadline, const std::string& working_folder) {
  std::vector<std::string> argv = {"wine"};
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
