// The Win32 file functions the shell uses to resolve and test the document path, and the one read
// of a whole file that loads the document. Paths are Windows paths; the native build maps them
// onto the Wine prefix's drives.
#pragma once

#include <string>

#include "platform/win_types.h"

namespace platform {

struct FindData {
  Dword attributes = 0;
  std::string name;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // As GetFullPathNameA with a buffer of buffer_length characters: the length written (without
  // the NUL) on success, the needed length (with the NUL) when the buffer is too small, 0 on
  // failure.
  virtual Dword GetFullPathNameA(const char* name, Dword buffer_length, char* buffer) = 0;
  // kInvalidFileAttributes on failure, with the reason left for GetLastError.
  virtual Dword GetFileAttributesA(const char* path) = 0;
  virtual Dword GetLastError() = 0;
  // FindFirstFileA and FindClose in one: true when an entry matches, filling *found.
  virtual bool FindFirstFileA(const char* pattern, FindData* found) = 0;
  // The whole file at path into *bytes, read no further than its size when opened, sharing it
  // with every other opener (a document open in an editor is read): kErrorSuccess, or the error
  // that stopped the open or the read (a sharing or lock violation, kErrorAccessDenied...),
  // kErrorFileNotFound also for what is no regular file (it is never opened in a way that can
  // block), kErrorFileTooLarge past 2 GiB, kErrorReadFault when the file ends before its size.
  virtual Long ReadWholeFile(const char* path, std::string* bytes) = 0;
};

FileSystem& DefaultFileSystem();

// The process's raw command line, as GetCommandLineA gives it.
std::string GetCommandLineA();
// One of main's arguments in the ANSI code page, as a Windows program's argv holds it (a Unix
// program gets them in UTF-8).
std::string ArgumentInAnsi(const char* argument);

}  // namespace platform
