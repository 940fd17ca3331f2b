#include <gtest/gtest.h>

#include "platform/application.h"
#include "tests/support/test_platform.h"

namespace regcorvex::testing {
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

}  // namespace regcorvex::testing
