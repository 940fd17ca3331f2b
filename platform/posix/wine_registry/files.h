// The file-system side of a Wine prefix's registry: reading a hive file and replacing it
// atomically. A hive file may be a symbolic link, which is read and written through (the link
// stays); anything but a regular file behind it is refused without being opened in a way that
// could block. A failure comes back as a Status whose sentence names the file and the reason.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/fill_buffer.h"
#include "platform/posix/wine_registry/status.h"
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

// A hive file as read; a file that does not exist is read as an empty one that does not.
struct HiveFile {
  bool exists = false;
  FileVersion version;
  FileText contents;
};
// Fails with kErrorAccessDenied.
Expected<HiveFile> ReadHiveFile(const std::string& path);

// Whether this process may write the file (or create it, when it does not exist); the failure
// (kErrorAccessDenied) names the file and the reason, such as a read-only file system.
Status CheckHiveFileWritable(const std::string& path);

// Writes the pieces, one after the other, to a temporary file beside the file path leads to
// (through a symbolic link), flushes it, gives it the old file's owner, group and mode where this
// process may, renames it over that file and flushes the folder. On failure (kErrorWriteFault) the
// file is left as it was. step, where given, is called after each of those steps: when the
// temporary file is made, after each piece, once it is flushed, and once it has replaced the file.
Status ReplaceHiveFile(const std::string& path, const std::vector<std::string_view>& pieces,
                       const std::function<void()>& step = {});

// Removes the temporary files that an interrupted ReplaceHiveFile of path left behind. Only for
// a caller that holds the prefix's lock, so that no other run is writing one.
void RemoveStaleTemporaries(const std::string& path);

}  // namespace platform::wine_registry
