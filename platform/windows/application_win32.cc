// The hidden application window, COM and the message loop of the running process.
#include "platform/windows/win32.h"

#include <objbase.h>

#include "platform/application.h"

namespace platform {
namespace {

constexpr char kWindowClass[] = "TApplication";

// The program runs elevated, often from a folder where anyone may leave a file (a Downloads
// folder): every DLL loaded after this, other than those a manifest redirects, comes from the
// system folder, never from the program's folder or the current one. Windows 7 without update
// KB2533623 lacks SetDefaultDllDirectories; there the current folder at least is taken out.
void LoadDllsFromSystemFolderOnly() {
  ::SetDllDirectoryW(L"");
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  const auto set_default = reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  if (set_default != nullptr) set_default(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

class Win32Application final : public Application {
 public:
  Win32Application() { LoadDllsFromSystemFolderOnly(); }
  ~Win32Application() override {
    if (window_ != nullptr) ::DestroyWindow(window_);
  }

  bool CoInitialize() override { return SUCCEEDED(::CoInitialize(nullptr)); }
  void CoUninitialize() override { ::CoUninitialize(); }

  Hwnd Handle() override {
    if (window_ == nullptr) {
      WNDCLASSA window_class = {};
      window_class.lpfnWndProc = ::DefWindowProcA;
      window_class.hInstance = ::GetModuleHandleA(nullptr);
      window_class.lpszClassName = kWindowClass;
      ::RegisterClassA(&window_class);
      window_ =
          ::CreateWindowExA(0, kWindowClass, "",
                            WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                            0, 0, 0, 0, nullptr, nullptr, window_class.hInstance, nullptr);
    }
    return FromNative(window_);
  }

  void SetTitle(const std::string& title) override {
    ::SetWindowTextA(ToNative(Handle()), title.c_str());
  }

  Long GetWindowLongA(Hwnd window, int index) override {
    return ::GetWindowLongA(ToNative(window), index);
  }

  Long SetWindowLongA(Hwnd window, int index, Long value) override {
    return ::SetWindowLongA(ToNative(window), index, value);
  }

  void PostQuitMessage(int exit_code) override { ::PostQuitMessage(exit_code); }

  void RunMessageLoop() override {
    MSG message;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
      ::TranslateMessage(&message);
      ::DispatchMessageA(&message);
    }
  }

 private:
  HWND window_ = nullptr;
};

}  // namespace

Application& DefaultApplication() {
  static Win32Application application;
  return application;
}

}  // namespace platform
