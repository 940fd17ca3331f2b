// The hidden application of the run: COM for the main thread, the application window that carries
// the title, its extended style, and the message loop that ends on the quit request.
#pragma once

#include <string>

#include "platform/win_types.h"

namespace platform {

class Application {
 public:
  virtual ~Application() = default;

  // CoInitialize for the main thread; true when CoUninitialize is owed.
  virtual bool CoInitialize() = 0;
  virtual void CoUninitialize() = 0;
  // The hidden application window, created on first use; it is never shown.
  virtual Hwnd Handle() = 0;
  virtual void SetTitle(const std::string& title) = 0;
  virtual Long GetWindowLongA(Hwnd window, int index) = 0;
  virtual Long SetWindowLongA(Hwnd window, int index, Long value) = 0;
  virtual void PostQuitMessage(int exit_code) = 0;
  // Handles queued messages until the quit message arrives.
  virtual void RunMessageLoop() = 0;
};

Application& DefaultApplication();

// COM for the main thread while it lives, released at the end when it was initialised.
class ComApartment {
 public:
  explicit ComApartment(Application& application)
      : application_(application), initialized_(application.CoInitialize()) {}
  ~ComApartment() {
    if (initialized_) application_.CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  Application& application_;
  bool initialized_;
};

}  // namespace platform
