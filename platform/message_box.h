// Modal message boxes, as the run shows them. The Windows build shows real dialogs, or writes each
// message to the Application event log where nobody can see a dialog; the native build writes each
// box to standard error. Boxes that are not shown return at once, as if OK had been pressed.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/win_types.h"

namespace platform {

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;

  // MessageBoxA: owner may be kNoWindow; type holds the MB_ flags. Returns the button pressed.
  virtual int MessageBoxA(Hwnd owner, const std::string& text, const std::string& caption,
                          unsigned type) = 0;
  // The foreground window when it belongs to this process, else kNoWindow. A box disables its
  // owner, which sends the owner's thread a message and waits for the answer: owned by another
  // process's window (the installer that started this program and waits for it to end), neither
  // would ever go on.
  virtual Hwnd OwnForegroundWindow() = 0;
  // The standard message dialog: no icon, one OK button, centred on the screen, owned by owner.
  virtual void ShowMessageDialog(Hwnd owner, const std::string& text,
                                 const std::string& caption) = 0;
};

MessageBoxes& DefaultMessageBoxes();

// The Application event log, where a run that nobody watches leaves its messages.
class EventLog {
 public:
  virtual ~EventLog() = default;
  // Writes one entry: an error when error is set, else a warning. False when the log refused it.
  virtual bool Report(bool error, const std::string& text) = 0;
};

// What tells whether anyone can see this process's dialogs.
struct DesktopView {
  bool window_station_visible = true;  // WSF_VISIBLE on the process's window station
  std::optional<Dword> session;        // the process's session, none when it cannot be told
  bool session_zero_isolated = true;   // Windows Vista and later: session 0 is the services'
};

// False for a window station without WSF_VISIBLE, and for session 0 where it holds only services
// (a service allowed to interact with the desktop, or a program started into session 0, has a
// visible window station that no one looks at). When the session is unknown, dialogs are shown.
bool SomeoneSeesDialogs(const DesktopView& view);

// Boxes for a process whose window station nobody sees (a service, or an installer's deferred
// action in session 0), where a dialog would wait forever: each message goes to log as its
// caption, a line break and its text, and every call returns at once as if OK had been pressed.
std::unique_ptr<MessageBoxes> UnseenMessageBoxes(EventLog& log);

}  // namespace platform
