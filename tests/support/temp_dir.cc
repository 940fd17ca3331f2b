#include "tests/support/temp_dir.h"

#include <fstream>
#include <random>
#include <stdexcept>

namespace regcorvex::test {

TempDir::TempDir() {
  std::random_device random;
  const auto base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto candidate = base / ("regcorvex-test-" + std::to_string(random()));
    if (std::filesystem::create_directory(candidate)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TempDir::Write(const std::string& name, const std::string& contents) const {
  const auto file = path_ / name;
  std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary);
  out << contents;
  if (!out.flush()) throw std::runtime_error("cannot write " + file.string());
  return file;
}

}  // namespace regcorvex::test
