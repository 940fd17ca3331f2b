// Version resources through version.dll, and the path of the running executable. The program runs
// elevated and version.dll is no KnownDLL: it is loaded from the system folder by its full path,
// never imported, so that a version.dll beside the program is not the one that runs. Paths go to
// the wide functions, so that the executable's own folder may hold characters that the ANSI code
// page lacks.
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/version_api.h"
#include "platform/windows/win32.h"

namespace platform {
namespace {

// The three functions of the system's version.dll; null where it could not be loaded (the
// program then finds no version resource). The module stays loaded for the process's life.
struct VersionDll {
  decltype(&::GetFileVersionInfoSizeW) size = nullptr;
  decltype(&::GetFileVersionInfoW) read = nullptr;
  decltype(&::VerQueryValueA) query = nullptr;
};

template <typename Function>
Function Find(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

const VersionDll& SystemVersionDll() {
  static const VersionDll dll = [] {
    VersionDll found;
    std::vector<wchar_t> folder(MAX_PATH);
    const UINT length = ::GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
    if (length == 0 || length >= folder.size()) return found;
    const std::wstring path = std::wstring(folder.data(), length) + L"\\version.dll";
    const HMODULE module = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module == nullptr) return found;
    found.size = Find<decltype(found.size)>(module, "GetFileVersionInfoSizeW");
    found.read = Find<decltype(found.read)>(module, "GetFileVersionInfoW");
    found.query = Find<decltype(found.query)>(module, "VerQueryValueA");
    return found;
  }();
  return dll;
}

std::wstring OwnPath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}

std::wstring ToWstring(const std::u16string& text) {
  return std::wstring(text.begin(), text.end());
}

std::string ToAnsi(const std::wstring& text) {
  return WideToAnsi(std::u16string(text.begin(), text.end()));
}

class Win32VersionApi final : public VersionApi {
 public:
  Dword GetFileVersionInfoSizeA(const char* path, Dword* handle) override {
    DWORD unused = 0;
    const VersionDll& dll = SystemVersionDll();
    const DWORD size = dll.size != nullptr ? dll.size(WidePath(path).c_str(), &unused) : 0;
    if (handle != nullptr) *handle = unused;
    return size;
  }
  bool GetFileVersionInfoA(const char* path, Dword handle, Dword size, void* data) override {
    const VersionDll& dll = SystemVersionDll();
    return dll.read != nullptr && dll.read(WidePath(path).c_str(), handle, size, data) != FALSE;
  }
  bool VerQueryValueA(const void* block, const char* sub_block, void** buffer,
                      unsigned* length) override {
    const VersionDll& dll = SystemVersionDll();
    UINT found_length = 0;
    const BOOL found = dll.query != nullptr && dll.query(block, sub_block, buffer, &found_length);
    *length = found_length;
    return found != FALSE;
  }
  std::string ExecutablePath() override { return ToAnsi(OwnPath()); }

 private:
  // The wide path of an ANSI one. The executable's own path as ExecutablePath gave it stands for
  // the path itself, which the code page may not spell ('?' for what it lacks, which no file
  // name holds).
  static std::wstring WidePath(const char* path) {
    const std::wstring own = OwnPath();
    if (ToAnsi(own) == path) return own;
    return ToWstring(AnsiToWide(path));
  }
};

}  // namespace

VersionApi& DefaultVersionApi() {
  static Win32VersionApi api;
  return api;
}

}  // namespace platform
