// The companion's own files, named on its command line in the platform's file names: an input
// read whole, and the document written. Only a regular file is read, and no more of it than a
// limit, so that a folder, a device or a pipe is refused rather than read without end. Every
// failure says why, with the system's reason.
#pragma once

#include <cstddef>
#include <string>

namespace regcorvex {

struct InputFile {
  std::string bytes;
  std::string error;  // "cannot read F: No such file or directory"; empty on success
};

InputFile ReadInputFile(const std::string& path, std::size_t limit);

// Writes contents to path, replacing the file; empty on success, else why it could not.
std::string WriteOutputFile(const std::string& path, const std::string& contents);

}  // namespace regcorvex
