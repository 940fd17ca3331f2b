// Reading the command line the way the program always has: parameters split as the runtime splits
// them, option values taken from the raw command line, and the document path resolved against the
// folder of the "/IP" value.
#pragma once

#include <string>
#include <vector>

#include "platform/file_system.h"

namespace regcorvex {

// The parameters after the program's own path: words split at characters 1 to 32, quoted stretches
// kept whole without their quotes, a pair of quotes at the start of a word skipped. Counting stops
// at the first empty parameter.
std::vector<std::string> SplitParameters(const std::string& command_line);

// The value of option ("/IC" or "/IP") from the first place it occurs in the raw command line,
// matched without regard to case: up to the next "/", without surrounding characters 0 to 32.
std::string ExtractOptionValue(const std::string& command_line, const std::string& option);

// The document path the existence test receives, from the "/IC" and "/IP" values.
std::string ResolveDocumentPath(const std::string& import_file, const std::string& import_path,
                                platform::FileSystem& file_system);

// True when path names an existing file (not a folder), as the runtime's FileExists decides.
bool FileExists(const std::string& path, platform::FileSystem& file_system);

}  // namespace regcorvex
