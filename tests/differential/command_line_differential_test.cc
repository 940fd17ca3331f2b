// A bounded run of the command-line differential (command_line_differential.h): the native
// program and RegCorvex.exe under Wine must agree on every generated command line. Longer runs:
// scripts/command_line_differential.sh COUNT.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/differential/windows_build.h"

namespace regcorvex::test {
namespace {

constexpr int kCommandLines = 40;
// Far more than the Wine side needs on an idle machine (a few seconds a command line).
constexpr std::chrono::seconds kWineTime{900};

TEST(CommandLineDifferentialTest, BothBuildsAgreeOnGeneratedCommandLines) {
  std::string missing;
  const auto programs = DifferentialPrograms(&missing);
  if (!programs) GTEST_SKIP() << missing;
  const char* seed = std::getenv("REGCORVEX_DIFFERENTIAL_SEED");
  const DifferentialRun run = RunCommandLineDifferential(
      *programs, seed != nullptr ? static_cast<unsigned>(std::atoi(seed)) : 1, kCommandLines,
      kWineTime);
  EXPECT_FALSE(run.cut_short) << "RegCorvex.exe under Wine ran out of time";
  for (const Divergence& divergence : run.divergences) ADD_FAILURE() << Describe(divergence);
}

}  // namespace
}  // namespace regcorvex::test
