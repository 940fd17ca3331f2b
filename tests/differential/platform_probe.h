// What platform_probe.exe and the native tests that compare with it share: the surrogate pairs
// probed and the form of each answer, so that the two builds' answers compare as text.
#pragma once

#include <string>
#include <vector>

#include "platform/file_system.h"

namespace regcorvex::test {

// Texts of surrogates: every high surrogate with the first and last low surrogate, a low
// surrogate before a high one, and lone surrogates between letters.
std::vector<std::u16string> ProbedSurrogateTexts();

// The bytes in hex, without separators.
std::string HexBytes(const std::string& bytes);

// GetFullPathNameA of name as the program calls it, as one line: the value returned for a buffer
// of 260 characters; when that is too small, the value returned for a buffer of that length; then
// the text written, by HexBytes.
std::string ProbeFullPath(platform::FileSystem& file_system, const std::string& name);

// GetFileAttributesA of name, and FindFirstFileA of it as a pattern, as one line: the attributes
// (or the error code when there are none), then whether a file was found, its attributes and its
// name by HexBytes.
std::string ProbeFileAttributes(platform::FileSystem& file_system, const std::string& name);

}  // namespace regcorvex::test
