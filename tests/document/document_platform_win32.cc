#include <gtest/gtest.h>

#include "platform/application.h"
#include "tests/document/document_platform.h"

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

std::string WindowsPath(const std::filesystem::path& path) { return path.string(); }

bool ParsedByMsxml() { return true; }

}  // namespace regcorvex::testing
