// The file-system side of a Wine prefix's registry: the exclusive lock on the prefix, the probe
// for a running wineserver, and reading and atomically replacing a hive file. Failures come back
// as a sentence that names the file and the system's reason.
#pragma once

#include <optional>
#include <string>

#include "platform/unique_handle.h"

namespace platform::wine_registry {

struct FdTraits {
  using Handle = int;
  static constexpr int kEmpty = -1;
  void Close(int fd) const;
};
using UniqueFd = UniqueHandle<FdTraits>;

// An exclusive flock on the prefix folder itself, so that the prefix gains no file of ours.
// Waits up to timeout_seconds for another holder; the folder is created when missing.
struct LockResult {
  UniqueFd lock;
  std::string error;  // empty on success
};
LockResult LockPrefix(const std::string& prefix, int timeout_seconds);

// True when a wineserver runs for the prefix: it then holds a write lock on byte 0 of the file
// "lock" in its server folder /tmp/<name in the prefix's "wineserver" file>/server-<dev>-<ino>/.
bool WineServerRunning(const std::string& prefix);

// What tells one version of a file from another: a program that replaces or rewrites it
// changes at least one of these. Empty when the file does not exist.
struct FileVersion {
  unsigned long long device = 0, inode = 0, size = 0;
  long long modified_ns = 0;
  bool exists = false;
  bool operator==(const FileVersion&) const = default;
};
FileVersion VersionOf(const std::string& path);

struct ReadResult {
  bool exists = false;
  FileVersion version;
  std::string contents;
  std::string error;  // empty on success, also when the file does not exist
};
ReadResult ReadHiveFile(const std::string& path);

// Whether this process may write the file, or create it when it does not exist.
bool CanWriteHiveFile(const std::string& path);

// Writes a temporary file beside path, flushes it, renames it over path and flushes the folder.
// On failure path is left as it was and the result says why; on success it is empty.
std::string ReplaceHiveFile(const std::string& path, const std::string& contents);

}  // namespace platform::wine_registry
