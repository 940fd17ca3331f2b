#include "tests/version/test_path.h"

namespace regcorvex::testing {

// Paths of the build tree are Unix paths, which Wine shows on drive Z:.
std::string WindowsPath(const std::filesystem::path& path) {
  std::string text = path.string();
  if (!text.empty() && text[0] == '/') text = "Z:" + text;
  for (char& c : text) c = c == '/' ? '\\' : c;
  return text;
}

std::filesystem::path LocalPath(const std::string& build_path) { return WindowsPath(build_path); }

}  // namespace regcorvex::testing
