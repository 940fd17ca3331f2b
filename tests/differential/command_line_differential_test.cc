// Bounded runs of the command-line differential (command_line_differential.h): the native program
// and the Windows build under Wine must agree on every generated command line, with the Windows
// build's run taking them in one process and, fewer, with RegCorvex.exe started for each. Longer
// runs: scripts/command_line_differential.sh COUNT.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/differential/windows_build.h"

namespace regcorvex::test {
namespace {

// Far more than the Wine side needs on an idle machine.
constexpr std::chrono::seconds kWineTime{900};

unsigned Seed() {
  const char* seed = std::getenv("REGCORVEX_DIFFERENTIAL_SEED");
  return seed != nullptr ? static_cast<unsigned>(std::atoi(seed)) : 1;
}

void ExpectAgreement(WindowsSide side, int count) {
  std::string missing;
  const auto programs = DifferentialPrograms(ConfiguredWindowsBuild(), &missing);
  if (!programs) GTEST_SKIP() << missing;
  const DifferentialRun run = RunCommandLineDifferential(*programs, side, Seed(), count, kWineTime);
  EXPECT_FALSE(run.cut_short) << "the Windows build under Wine ran out of time";
  for (const Divergence& divergence : run.divergences) ADD_FAILURE() << Describe(divergence);
}

TEST(CommandLineDifferentialTest, BothBuildsAgreeWithTheWindowsRunInOneProcess) {
  ExpectAgreement(WindowsSide::kInProcess, 200);
}

TEST(CommandLineDifferentialTest, BothBuildsAgreeWithRegCorvexExeStartedForEach) {
  ExpectAgreement(WindowsSide::kProgram, 40);
}

}  // namespace
}  // namespace regcorvex::test
