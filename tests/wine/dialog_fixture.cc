// dialog_fixture.exe ACTION...: shows known dialogs through the program's own platform layer, so
// that the tests can check what dialog_watcher.exe reads from them. Actions, in order:
//   dialog  the standard message dialog with the application window's title as caption, owned by
//           that tool window
//   box     an error message box owned by the foreground window when it is the fixture's own
//   echo    a message box without owner that shows the process's raw command line; the words
//           after it are no actions
//   window  a visible ordinary window, until the watcher has recorded it (at most a minute)
//   hang    never ends
// The exit code is 7, so that the tests see it passed through.
#include <string>

#include "platform/application.h"
#include "platform/file_system.h"
#include "platform/message_box.h"
#include "platform/windows/win32.h"
#include "tests/wine/dialog_probe.h"

namespace {

constexpr int kExitCode = 7;
constexpr ULONGLONG kWindowMilliseconds = 60 * 1000;

void ShowVisibleWindow() {
  HWND window =
      ::CreateWindowExA(0, "STATIC", "Fixture window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100,
                        100, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
  const ULONGLONG deadline = ::GetTickCount64() + kWindowMilliseconds;
  while (::GetPropA(window, regcorvex::test::kSeenProperty) == nullptr &&
         ::GetTickCount64() < deadline) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&message);
  }
  ::RemovePropA(window, regcorvex::test::kSeenProperty);
  ::DestroyWindow(window);
}

}  // namespace

int main(int argc, char** argv) {
  platform::Application& application = platform::DefaultApplication();
  platform::MessageBoxes& boxes = platform::DefaultMessageBoxes();
  application.SetTitle(regcorvex::test::kApplicationTitle);
  const platform::Hwnd window = application.Handle();
  application.SetWindowLongA(
      window, platform::kGwlExStyle,
      application.GetWindowLongA(window, platform::kGwlExStyle) | platform::kWsExToolWindow);
  for (int i = 1; i < argc; ++i) {
    const std::string action = argv[i];
    if (action == "dialog") {
      boxes.ShowMessageDialog(window, "First line\r\nsecond line",
                              regcorvex::test::kApplicationTitle);
    } else if (action == "box") {
      boxes.MessageBoxA(boxes.OwnForegroundWindow(), "Failed: C:\\x\\y.xml", "Fixture box",
                        platform::kMbOk | platform::kMbIconError | platform::kMbSetForeground);
    } else if (action == "echo") {
      boxes.MessageBoxA(platform::kNoWindow, platform::GetCommandLineA(), "Command line",
                        platform::kMbOk);
      break;
    } else if (action == "window") {
      ShowVisibleWindow();
    } else if (action == "hang") {
      ::Sleep(INFINITE);
    } else {
      return 1;
    }
  }
  return kExitCode;
}
