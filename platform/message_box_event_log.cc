// Message boxes that nobody sees, written to the event log instead, and the test of whether anyone
// can see this process's dialogs.
#include "platform/message_box.h"

namespace platform {
namespace {

constexpr unsigned kIconMask = 0xF0;

class EventLogMessageBoxes final : public MessageBoxes {
 public:
  explicit EventLogMessageBoxes(EventLog& log) : log_(log) {}

  int MessageBoxA(Hwnd, const std::string& text, const std::string& caption,
                  unsigned type) override {
    log_.Report((type & kIconMask) == kMbIconError, caption + "\r\n" + text);
    return kIdOk;
  }
  Hwnd OwnForegroundWindow() override { return kNoWindow; }
  void ShowMessageDialog(Hwnd, const std::string& text, const std::string& caption) override {
    log_.Report(false, caption + "\r\n" + text);
  }

 private:
  EventLog& log_;
};

}  // namespace

bool SomeoneSeesDialogs(const DesktopView& view) {
  return view.window_station_visible && !(view.session_zero_isolated && view.session == 0u);
}

std::unique_ptr<MessageBoxes> UnseenMessageBoxes(EventLog& log) {
  return std::make_unique<EventLogMessageBoxes>(log);
}

}  // namespace platform
