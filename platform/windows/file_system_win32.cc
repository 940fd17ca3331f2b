// Paths and files of the running system, through the 8-bit Win32 functions.
#include "platform/file_system.h"
#include "platform/windows/win32.h"
#include "platform/windows/win32_handles.h"

namespace platform {
namespace {

class Win32FileSystem final : public FileSystem {
 public:
  Dword GetFullPathNameA(const char* name, Dword buffer_length, char* buffer) override {
    return ::GetFullPathNameA(name, buffer_length, buffer, nullptr);
  }
  Dword GetFileAttributesA(const char* path) override { return ::GetFileAttributesA(path); }
  Dword GetLastError() override { return ::GetLastError(); }
  bool FindFirstFileA(const char* pattern, FindData* found) override {
    WIN32_FIND_DATAA data;
    const UniqueFindHandle search(::FindFirstFileA(pattern, &data));
    if (!search) return false;
    found->attributes = data.dwFileAttributes;
    found->name = data.cFileName;
    return true;
  }
};

}  // namespace

FileSystem& DefaultFileSystem() {
  static Win32FileSystem file_system;
  return file_system;
}

std::string GetCommandLineA() { return ::GetCommandLineA(); }

std::string ArgumentInAnsi(const char* argument) { return argument; }

}  // namespace platform
