// The Win32 version functions (8-bit variants) and the path of the running executable. The Windows
// build forwards to the system's version.dll, through its wide functions; the native build reads
// the resource from PE and ELF files itself.
#pragma once

#include <string>

#include "platform/win_types.h"

namespace platform {

class VersionApi {
 public:
  virtual ~VersionApi() = default;

  // Size in bytes of the file's version resource block; 0 when it has none or cannot be read.
  virtual Dword GetFileVersionInfoSizeA(const char* path, Dword* handle) = 0;
  // Copies the block into data (size bytes). False when it could not be filled.
  virtual bool GetFileVersionInfoA(const char* path, Dword handle, Dword size, void* data) = 0;
  // Finds a sub-block; *buffer points into block, *length in bytes (characters for strings, as
  // Windows reports them). False when the path does not exist.
  virtual bool VerQueryValueA(const void* block, const char* sub_block, void** buffer,
                              unsigned* length) = 0;
  // Full path of the running executable, as the program sees it (a Windows path in the ANSI code
  // page). Passed back to the functions above it names the executable, also where the code page
  // cannot spell its folder.
  virtual std::string ExecutablePath() = 0;
};

VersionApi& DefaultVersionApi();

}  // namespace platform
