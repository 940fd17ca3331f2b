// Text for the user on standard output or standard error, given as UTF-8. A Windows console gets
// it as wide characters, so that it shows every character whatever its code page; a file, a pipe
// and a Unix terminal get the UTF-8 bytes.
#pragma once

#include <string_view>

namespace platform {

enum class StandardStream { kOutput, kError };

// False when the text could not be written in full.
bool WriteStandard(StandardStream stream, std::string_view utf8);

}  // namespace platform
