#include <gtest/gtest.h>

#include "platform/application.h"
#include "platform/windows/win32.h"
#include "tests/support/test_platform.h"

namespace regcorvex::test {
namespace {

class ComApartment final : public ::testing::Environment {
 public:
  void SetUp() override { initialised_ = platform::DefaultApplication().CoInitialize(); }
  void TearDown() override {
    if (initialised_) platform::DefaultApplication().CoUninitialize();
  }

 private:
  bool initialised_ = false;
};

[[maybe_unused]] const auto* const kComApartment =
    ::testing::AddGlobalTestEnvironment(new ComApartment);

}  // namespace

// Paths of the build tree are Unix paths, which Wine shows on drive Z:; temporary files already
// have Windows paths.
std::string WindowsPath(const std::filesystem::path& path) {
  std::string text = path.string();
  if (!text.empty() && text[0] == '/') text = "Z:" + text;
  for (char& c : text) c = c == '/' ? '\\' : c;
  return text;
}

std::filesystem::path LocalPath(const std::string& build_path) { return WindowsPath(build_path); }

bool ParsedByMsxml() { return true; }

bool SystemFunctions() { return true; }

std::chrono::microseconds ProcessCpuTime() {
  FILETIME created, exited, kernel, user;
  if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) return {};
  const auto ticks = [](const FILETIME& time) {
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  };
  // FILETIME counts 100-nanosecond steps.
  return std::chrono::microseconds((ticks(kernel) + ticks(user)) / 10);
}

}  // namespace regcorvex::test
