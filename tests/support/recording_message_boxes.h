// A message-box stand-in that records every box and answers OK.
#pragma once

#include <string>
#include <vector>

#include "platform/message_box.h"

namespace regcorvex::test {

struct RecordedBox {
  platform::Hwnd owner;
  std::string text;
  std::string caption;
  unsigned type;
  bool is_dialog;  // the standard message dialog rather than MessageBoxA
};

class RecordingMessageBoxes final : public platform::MessageBoxes {
 public:
  int MessageBoxA(platform::Hwnd owner, const std::string& text, const std::string& caption,
                  unsigned type) override {
    boxes.push_back({owner, text, caption, type, false});
    return platform::kIdOk;
  }
  platform::Hwnd OwnForegroundWindow() override { return foreground; }
  void ShowMessageDialog(platform::Hwnd owner, const std::string& text,
                         const std::string& caption) override {
    boxes.push_back({owner, text, caption, 0, true});
  }

  std::vector<RecordedBox> boxes;
  platform::Hwnd foreground{0x4242};
};

}  // namespace regcorvex::test
