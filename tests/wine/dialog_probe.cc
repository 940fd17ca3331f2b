#include "tests/wine/dialog_probe.h"

#include <cstdlib>

namespace regcorvex::test {
namespace {

// The static control that holds a message box's text.
constexpr int kMessageBoxTextId = 0xFFFF;

BOOL CALLBACK CollectWindow(HWND window, LPARAM windows) {
  reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
  return TRUE;
}

std::vector<HWND> ChildWindows(HWND parent) {
  std::vector<HWND> children;
  ::EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&children));
  return children;
}

bool HasStyle(HWND window, LONG style) {
  return (::GetWindowLongA(window, GWL_STYLE) & style) == style;
}

bool IsIconStatic(HWND window) {
  return (::GetWindowLongA(window, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
}

// Asks the control of the other process for its icon, without hanging on a process that hangs.
bool ShowsIcon(HWND icon_static) {
  DWORD_PTR icon = 0;
  return ::SendMessageTimeoutA(icon_static, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 1000, &icon) !=
             0 &&
         icon != 0;
}

// A message box keeps its text in one static control; a task dialog shows its texts in several.
std::string DialogText(HWND dialog, const std::vector<HWND>& children) {
  if (HWND text = ::GetDlgItem(dialog, kMessageBoxTextId); text != nullptr) return WindowText(text);
  std::string joined;
  for (HWND child : children) {
    if (WindowClass(child) != "Static" || IsIconStatic(child) || !HasStyle(child, WS_VISIBLE)) {
      continue;
    }
    const std::string text = WindowText(child);
    if (text.empty()) continue;
    if (!joined.empty()) joined += "\r\n";
    joined += text;
  }
  return joined;
}

std::string DescribeOwner(HWND owner, DWORD process_id) {
  if (owner == nullptr) return "none";
  if (owner == FindApplicationWindow(process_id)) return "application";
  return "other class=" + WindowClass(owner) + " title=" + WindowText(owner);
}

bool IsCentred(HWND window) {
  RECT frame;
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  if (!::GetWindowRect(window, &frame) ||
      !::GetMonitorInfoA(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) {
    return false;
  }
  const RECT& area = monitor.rcWork;
  const auto off_centre = [](LONG low, LONG high, LONG area_low, LONG area_high) {
    return std::abs((low + high) - (area_low + area_high)) > 2;
  };
  return !off_centre(frame.left, frame.right, area.left, area.right) &&
         !off_centre(frame.top, frame.bottom, area.top, area.bottom);
}

}  // namespace

std::string WindowClass(HWND window) {
  char name[256] = {};
  const int length = ::GetClassNameA(window, name, sizeof(name));
  return std::string(name, static_cast<size_t>(length > 0 ? length : 0));
}

std::string WindowText(HWND window) {
  std::string text(static_cast<size_t>(::GetWindowTextLengthA(window)) + 1, '\0');
  const int length = ::GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<size_t>(length > 0 ? length : 0));
  return text;
}

std::vector<HWND> TopLevelWindows(DWORD process_id) {
  std::vector<HWND> all;
  ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&all));
  std::vector<HWND> owned;
  for (HWND window : all) {
    DWORD owner_process = 0;
    ::GetWindowThreadProcessId(window, &owner_process);
    if (owner_process == process_id) owned.push_back(window);
  }
  return owned;
}

HWND FindApplicationWindow(DWORD process_id) {
  for (HWND window : TopLevelWindows(process_id)) {
    if (WindowText(window) == kApplicationTitle && WindowClass(window) != kDialogClass) {
      return window;
    }
  }
  return nullptr;
}

AppWindow ReadAppWindow(HWND window) {
  AppWindow state;
  if (window == nullptr) return state;
  state.class_name = WindowClass(window);
  state.ex_style = static_cast<std::uint32_t>(::GetWindowLongA(window, GWL_EXSTYLE));
  state.visible = ::IsWindowVisible(window) != FALSE;
  state.title = WindowText(window);
  return state;
}

Dialog ReadDialog(HWND dialog, DWORD process_id) {
  Dialog read;
  const std::vector<HWND> children = ChildWindows(dialog);
  read.caption = WindowText(dialog);
  read.text = DialogText(dialog, children);
  for (HWND child : children) {
    if (!HasStyle(child, WS_VISIBLE)) continue;
    const std::string child_class = WindowClass(child);
    if (child_class == "Button") read.buttons.push_back(WindowText(child));
    if (child_class == "Static" && IsIconStatic(child) && ShowsIcon(child)) read.icon = true;
  }
  read.owner = DescribeOwner(::GetWindow(dialog, GW_OWNER), process_id);
  read.foreground = ::GetForegroundWindow() == dialog;
  read.centred = IsCentred(dialog);
  read.app_window = ReadAppWindow(FindApplicationWindow(process_id));
  return read;
}

}  // namespace regcorvex::test
