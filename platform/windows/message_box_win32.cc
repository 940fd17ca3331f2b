// Real dialogs where someone can see them. The message dialog is the task dialog of common
// controls 6 where the manifest activates them, and a plain message box without icon elsewhere.
#include "platform/windows/win32.h"

#include <commctrl.h>
#include <versionhelpers.h>

#include "platform/code_page.h"
#include "platform/message_box.h"
#include "platform/windows/event_log_win32.h"

namespace platform {
namespace {

using TaskDialogIndirectFn = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);

std::wstring Wide(const std::string& text) {
  const std::u16string wide = AnsiToWide(text);
  return std::wstring(wide.begin(), wide.end());
}

class Win32MessageBoxes final : public MessageBoxes {
 public:
  int MessageBoxA(Hwnd owner, const std::string& text, const std::string& caption,
                  unsigned type) override {
    return ::MessageBoxA(ToNative(owner), text.c_str(), caption.c_str(), type);
  }

  Hwnd OwnForegroundWindow() override {
    const HWND window = ::GetForegroundWindow();
    DWORD process = 0;
    if (window == nullptr || ::GetWindowThreadProcessId(window, &process) == 0 ||
        process != ::GetCurrentProcessId())
      return kNoWindow;
    return FromNative(window);
  }

  void ShowMessageDialog(Hwnd owner, const std::string& text, const std::string& caption) override {
    // Common controls stay loaded for the life of the process, as the manifest asks for them.
    static const HMODULE controls = ::LoadLibraryA("comctl32.dll");
    auto task_dialog = controls == nullptr
                           ? nullptr
                           : reinterpret_cast<TaskDialogIndirectFn>(reinterpret_cast<void*>(
                                 ::GetProcAddress(controls, "TaskDialogIndirect")));
    if (task_dialog != nullptr) {
      const std::wstring wide_caption = Wide(caption);
      const std::wstring wide_text = Wide(text);
      TASKDIALOGCONFIG config = {};
      config.cbSize = sizeof(config);
      config.hwndParent = ToNative(owner);
      config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION;
      config.dwCommonButtons = TDCBF_OK_BUTTON;
      config.pszWindowTitle = wide_caption.c_str();
      config.pszContent = wide_text.c_str();
      int button = 0;
      if (SUCCEEDED(task_dialog(&config, &button, nullptr, nullptr))) return;
    }
    ::MessageBoxA(ToNative(owner), text.c_str(), caption.c_str(), MB_OK);
  }
};

// This process's window station and session. What cannot be asked counts as seen.
DesktopView ThisProcessDesktop() {
  DesktopView view;
  const HWINSTA station = ::GetProcessWindowStation();
  USEROBJECTFLAGS flags = {};
  DWORD needed = 0;
  if (station != nullptr &&
      ::GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof(flags), &needed))
    view.window_station_visible = (flags.dwFlags & WSF_VISIBLE) != 0;
  DWORD session = 0;
  if (::ProcessIdToSessionId(::GetCurrentProcessId(), &session)) view.session = session;
  // Before Windows Vista the console's user worked in session 0.
  view.session_zero_isolated = ::IsWindowsVistaOrGreater();
  return view;
}

}  // namespace

MessageBoxes& DefaultMessageBoxes() {
  static const std::unique_ptr<MessageBoxes> boxes =
      SomeoneSeesDialogs(ThisProcessDesktop()) ? std::make_unique<Win32MessageBoxes>()
                                               : UnseenMessageBoxes(ApplicationEventLog());
  return *boxes;
}

}  // namespace platform
