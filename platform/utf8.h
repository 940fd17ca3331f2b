// UTF-8 <-> UTF-16: Unix file names, arguments and libxml2 text are UTF-8, and so are the
// companion's reports on both platforms. Malformed UTF-8 becomes U+FFFD per bad byte; lone
// surrogates become U+FFFD in UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace platform {

std::u16string Utf8ToUtf16(std::string_view text);
// Utf8ToUtf16 appending to out.
void AppendUtf8AsUtf16(std::u16string& out, std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace platform
