// Reading the windows of another process as a user would see them: its top-level windows, its
// application window, and a dialog's caption, text, icon, buttons and owner.
#pragma once

#include <string>
#include <vector>

#include "platform/windows/win32.h"
#include "tests/wine/dialog_report.h"

namespace regcorvex::test {

inline constexpr char kApplicationTitle[] = "Register Corvane 5";
inline constexpr char kDialogClass[] = "#32770";
// The property that dialog_watcher.exe sets on each window that is no dialog once it has recorded
// it, so that a test program may close the window then.
inline constexpr char kSeenProperty[] = "RegCorvexWatcherSaw";

std::string WindowClass(HWND window);
std::string WindowText(HWND window);
// The top-level windows of the process, hidden ones included.
std::vector<HWND> TopLevelWindows(DWORD process_id);
// The process's top-level window titled kApplicationTitle that is no dialog (the program's
// dialogs carry the same caption), or nullptr.
HWND FindApplicationWindow(DWORD process_id);
AppWindow ReadAppWindow(HWND window);
// A message box or task dialog of the process, read while it is shown.
Dialog ReadDialog(HWND dialog, DWORD process_id);

}  // namespace regcorvex::test
