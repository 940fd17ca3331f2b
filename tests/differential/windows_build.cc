#include "tests/differential/windows_build.h"

#include <cstdlib>

#include "tests/platform/booted_prefix.h"

namespace regcorvex::test {

std::filesystem::path ConfiguredWindowsBuild() { return REGCORVEX_WINDOWS_BUILD; }

std::optional<Programs> DifferentialPrograms(const std::filesystem::path& build,
                                             std::string* missing) {
  Programs programs{REGCORVEX_PROGRAM,
                    build / "RegCorvex.exe",
                    build / "tests" / "wine" / "command_line_batch.exe",
                    {}};
  if (build.empty() || !std::filesystem::exists(programs.windows) ||
      !std::filesystem::exists(programs.batch)) {
    *missing = "no RegCorvex.exe and command_line_batch.exe of a Windows build in \"" +
               build.string() + "\" (REGCORVEX_WINDOWS_BUILD)";
    return std::nullopt;
  }
  if (std::getenv("DISPLAY") == nullptr) {
    *missing = "DISPLAY names no X server for RegCorvex.exe's boxes";
    return std::nullopt;
  }
  const auto booted = BootedTemplatePrefix();
  if (!booted) {
    *missing = "Wine is not installed";
    return std::nullopt;
  }
  programs.booted_template = *booted;
  return programs;
}

}  // namespace regcorvex::test
