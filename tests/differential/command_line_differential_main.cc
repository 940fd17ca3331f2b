// command_line_differential [--program] [--windows-build DIR] [COUNT [SEED [MINUTES]]]: runs
// COUNT generated command lines (default 1000) from SEED (default 1) through the native regcorvex
// and through the Windows build under Wine (the one the native build was told of, or the build
// folder DIR) (for at most MINUTES, default 120; the cases it finished by then are compared),
// and prints each divergence. The Windows build's run takes every command line inside one Wine
// process, or with --program RegCorvex.exe is started for each (about a minute a start where Wine
// runs emulated). Exit code 0 when there is no divergence, 1 when there are, 2 when it cannot run.
// scripts/command_line_differential.sh starts the display it needs.
#include <stdlib.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "tests/differential/windows_build.h"
#include "tests/support/temp_dir.h"

int main(int argc, char** argv) {
  using namespace regcorvex::test;
  const bool program = argc > 1 && std::string(argv[1]) == "--program";
  if (program) {
    --argc;
    ++argv;
  }
  std::filesystem::path build = ConfiguredWindowsBuild();
  if (argc > 2 && std::string(argv[1]) == "--windows-build") {
    build = argv[2];
    argc -= 2;
    argv += 2;
  }
  const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
  const unsigned seed = argc > 2 ? static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)) : 1;
  const std::chrono::minutes wine_time(argc > 3 ? std::atoi(argv[3]) : 120);
  // Windows paths of the tree as Wine shows them: drive Z: is "/" in a prefix without drives.
  const TempDir empty_prefix;
  setenv("WINEPREFIX", empty_prefix.path().c_str(), 1);
  try {
    std::string missing;
    const auto programs = DifferentialPrograms(build, &missing);
    if (!programs) {
      std::fprintf(stderr, "command_line_differential: %s\n", missing.c_str());
      return 2;
    }
    const DifferentialRun run = RunCommandLineDifferential(
        *programs, program ? WindowsSide::kProgram : WindowsSide::kInProcess, seed, count,
        wine_time);
    for (const Divergence& divergence : run.divergences) {
      std::printf("%s\n", Describe(divergence).c_str());
    }
    const int diverged = static_cast<int>(run.divergences.size());
    std::printf("%d of %d command lines compared (seed %u)%s: %d passed, %d failed\n", run.compared,
                count, seed, run.cut_short ? ", Wine ran out of time" : "", run.compared - diverged,
                diverged);
    return run.divergences.empty() ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "command_line_differential: %s\n", e.what());
    return 2;
  }
}
