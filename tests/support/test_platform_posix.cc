#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include "platform/posix/wine_prefix.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_platform.h"

namespace regcorvex::test {
namespace {

class EmptyPrefix final : public ::testing::Environment {
 public:
  void SetUp() override { setenv("WINEPREFIX", prefix_.path().c_str(), 1); }

 private:
  TempDir prefix_;
};

[[maybe_unused]] const auto* const kEmptyPrefix =
    ::testing::AddGlobalTestEnvironment(new EmptyPrefix);

}  // namespace

std::string WindowsPath(const std::filesystem::path& path) {
  return platform::UnixToWindowsPath(std::filesystem::absolute(path).string());
}

std::filesystem::path LocalPath(const std::string& build_path) { return build_path; }

bool ParsedByMsxml() { return false; }

bool SystemFunctions() { return false; }

std::chrono::microseconds ProcessCpuTime() {
  timespec used{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
  return std::chrono::duration_cast<std::chrono::microseconds>(
      std::chrono::seconds(used.tv_sec) + std::chrono::nanoseconds(used.tv_nsec));
}

}  // namespace regcorvex::test
