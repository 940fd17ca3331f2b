// The file-system side of a Wine prefix's registry: reading a hive file and replacing it
// atomically. A hive file may be a symbolic link, which is read and written through (the link
// stays); anything but a regular file behind it is refused without being opened in a way that
// could block. Failures come back as a sentence that names the file and the reason.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/fill_buffer.h"
#include "platform/unique_handle.h"

namespace platform::wine_registry {

struct FdTraits {
  using Handle = int;
  static constexpr int kEmpty = -1;
  void Close(int fd) const;
};
using UniqueFd = UniqueHandle<FdTraits>;

// "a named pipe", "a device", "a folder"...: what a file of that st_mode is, for messages.
const char* FileKindName(mode_t mode);

// What tells one version of a file from another: a program that replaces or rewrites it
// changes at least one of these. Empty when the file does not exist.
struct FileVersion {
  unsigned long long device = 0, inode = 0, size = 0;
  long long modified_ns = 0;
  bool exists = false;
  bool operator==(const FileVersion&) const = default;
};
FileVersion VersionOf(const std::string& path);

// A real hive is a few megabytes; a file larger than this is refused rather than read.
inline constexpr std::size_t kMaxHiveFileSize = std::size_t{512} << 20;

struct ReadResult {
  bool exists = false;
  FileVersion version;
  FileText contents;
  std::string error;  // empty on success, also when the file does not exist
};
ReadResult ReadHiveFile(const std::string& path);

// Why this process may not write the file (or create it, when it does not exist): a sentence
// that names the file and the reason, such as a read-only file system. Empty when it may.
std::string HiveFileUnwritable(const std::string& path);

// Writes the pieces, one after the other, to a temporary file beside the file path leads to
// (through a symbolic link), flushes it, gives it the old file's owner, group and mode where this
// process may, renames it over that file and flushes the folder. On failure the file is left as it
// was and the result says why; on success it is empty.
std::string ReplaceHiveFile(const std::string& path, const std::vector<std::string_view>& pieces);

// Removes the temporary files that an interrupted ReplaceHiveFile of path left behind. Only for
// a caller that holds the prefix's lock, so that no other run is writing one.
void RemoveStaleTemporaries(const std::string& path);

}  // namespace platform::wine_registry
