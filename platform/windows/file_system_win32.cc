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

  Long ReadWholeFile(const char* path, std::string* bytes) override {
    const UniqueFileHandle file(
        ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (!file || !::GetFileSizeEx(file.get(), &size)) return LastError();
    if (size.QuadPart > 0x7FFFFFFF) return kErrorFileTooLarge;
    bytes->assign(static_cast<std::size_t>(size.QuadPart), '\0');
    if (bytes->empty()) return kErrorSuccess;
    DWORD read = 0;
    if (!::ReadFile(file.get(), bytes->data(), static_cast<DWORD>(bytes->size()), &read, nullptr))
      return LastError();
    return read == bytes->size() ? kErrorSuccess : kErrorReadFault;
  }

 private:
  // The error of the call that just failed; never success, which would pass for a read.
  static Long LastError() {
    const DWORD error = ::GetLastError();
    return error != ERROR_SUCCESS ? static_cast<Long>(error) : kErrorReadFault;
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
