// Standard output and error take the UTF-8 bytes as they are.
#include <cstdio>

#include "platform/console.h"

namespace platform {

bool WriteStandard(StandardStream stream, std::string_view utf8) {
  std::FILE* file = stream == StandardStream::kOutput ? stdout : stderr;
  const bool written = std::fwrite(utf8.data(), 1, utf8.size(), file) == utf8.size();
  return std::fflush(file) == 0 && written;
}

}  // namespace platform
