// Version resources through version.dll, and the path of the running executable.
#include <vector>

#include "platform/version_api.h"
#include "platform/windows/win32.h"

namespace platform {
namespace {

class Win32VersionApi final : public VersionApi {
 public:
  Dword GetFileVersionInfoSizeA(const char* path, Dword* handle) override {
    DWORD unused = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(path, &unused);
    if (handle != nullptr) *handle = unused;
    return size;
  }
  bool GetFileVersionInfoA(const char* path, Dword handle, Dword size, void* data) override {
    return ::GetFileVersionInfoA(path, handle, size, data) != FALSE;
  }
  bool VerQueryValueA(const void* block, const char* sub_block, void** buffer,
                      unsigned* length) override {
    UINT found_length = 0;
    const BOOL found = ::VerQueryValueA(block, sub_block, buffer, &found_length);
    *length = found_length;
    return found != FALSE;
  }
  std::string ExecutablePath() override {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
      const DWORD length = ::GetModuleFileNameA(nullptr, buffer.data(), buffer.size());
      if (length < buffer.size()) return std::string(buffer.data(), length);
      buffer.resize(buffer.size() * 2);
    }
  }
};

}  // namespace

VersionApi& DefaultVersionApi() {
  static Win32VersionApi api;
  return api;
}

}  // namespace platform
