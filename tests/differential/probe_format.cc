#include "tests/differential/platform_probe.h"

#include <cstdio>

#include "platform/hex.h"

namespace regcorvex::test {

std::vector<std::u16string> ProbedSurrogateTexts() {
  std::vector<std::u16string> pairs;
  for (char16_t high = 0xD800; high <= 0xDBFF; ++high) {
    pairs.push_back({high, 0xDC00});
    pairs.push_back({high, 0xDFFF});
  }
  pairs.push_back({0xDC00, 0xD800});
  pairs.push_back({u'a', 0xD800, u'b', 0xDC00, u'c'});
  return pairs;
}

std::string HexBytes(const std::string& bytes) {
  return platform::HexBytes({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
}

std::string ProbeFullPath(platform::FileSystem& file_system, const std::string& name) {
  constexpr platform::Dword kBuffer = 260;
  std::string buffer(kBuffer, '\0');
  const platform::Dword first = file_system.GetFullPathNameA(name.c_str(), kBuffer, buffer.data());
  std::string line = std::to_string(first);
  platform::Dword written = first;
  if (first >= kBuffer) {
    buffer.assign(first, '\0');
    written = file_system.GetFullPathNameA(name.c_str(), first, buffer.data());
    line += " " + std::to_string(written);
    if (written >= first) written = 0;
  }
  buffer.resize(written);
  return line + " " + HexBytes(buffer);
}

std::string ProbeFileAttributes(platform::FileSystem& file_system, const std::string& name) {
  const auto hex = [](platform::Dword value) {
    char text[16];
    std::snprintf(text, sizeof(text), "%08X", static_cast<unsigned>(value));
    return std::string(text);
  };
  const platform::Dword attributes = file_system.GetFileAttributesA(name.c_str());
  std::string line = attributes != platform::kInvalidFileAttributes
                         ? "attributes " + hex(attributes)
                         : "error " + std::to_string(file_system.GetLastError());
  platform::FindData found;
  if (!file_system.FindFirstFileA(name.c_str(), &found)) return line + " found none";
  return line + " found " + hex(found.attributes) + " " + HexBytes(found.name);
}

}  // namespace regcorvex::test
