// The native run has no window system: the application window is a record of its extended style,
// COM needs no apartment, and the message loop has nothing to handle, the quit request being the
// only message a run posts.
#include "platform/application.h"

namespace platform {
namespace {

constexpr Hwnd kApplicationWindow{1};

class HeadlessApplication final : public Application {
 public:
  bool CoInitialize() override { return true; }
  void CoUninitialize() override {}
  Hwnd Handle() override { return kApplicationWindow; }
  void SetTitle(const std::string&) override {}
  Long GetWindowLongA(Hwnd, int index) override { return index == kGwlExStyle ? ex_style_ : 0; }
  Long SetWindowLongA(Hwnd, int index, Long value) override {
    if (index != kGwlExStyle) return 0;
    const Long previous = ex_style_;
    ex_style_ = value;
    return previous;
  }
  void PostQuitMessage(int) override {}
  void RunMessageLoop() override {}

 private:
  Long ex_style_ = 0;
};

}  // namespace

Application& DefaultApplication() {
  static HeadlessApplication application;
  return application;
}

}  // namespace platform
