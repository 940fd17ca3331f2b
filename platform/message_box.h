// Modal message boxes, as the run shows them. The Windows build shows real dialogs; the native
// build writes each box to standard error and returns as if OK had been pressed.
#pragma once

#include <string>

#include "platform/win_types.h"

namespace platform {

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;

  // MessageBoxA: owner may be kNoWindow; type holds the MB_ flags. Returns the button pressed.
  virtual int MessageBoxA(Hwnd owner, const std::string& text, const std::string& caption,
                          unsigned type) = 0;
  virtual Hwnd GetForegroundWindow() = 0;
  // The standard message dialog: no icon, one OK button, centred on the screen, owned by owner.
  virtual void ShowMessageDialog(Hwnd owner, const std::string& text,
                                 const std::string& caption) = 0;
};

MessageBoxes& DefaultMessageBoxes();

}  // namespace platform
