// What dialog_watcher.exe saw of one run, and its text form: the watcher writes it, the tests read
// it back. One block per dialog in the order they appeared, then the process's exit code.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace regcorvex::test {

// The process's application window (its top-level window titled "Register Corvane 5") at the
// moment a dialog was shown. An empty class_name means the process had no such window.
struct AppWindow {
  std::string class_name;
  std::uint32_t ex_style = 0;
  bool visible = false;
  std::string title;

  bool operator==(const AppWindow&) const = default;
};

struct Dialog {
  std::string caption;
  std::string text;  // as shown, lines separated by "\r\n"
  bool icon = false;
  std::vector<std::string> buttons;
  // "application" (the process's application window), "none", or "other class=<c> title=<t>".
  std::string owner;
  bool foreground = false;  // the foreground window when it was read
  bool centred = false;     // in the middle of its monitor's work area, give or take a pixel
  AppWindow app_window;

  bool operator==(const Dialog&) const = default;
};

struct WatchReport {
  std::vector<Dialog> dialogs;
  // Visible top-level windows of the process that are no dialogs: "class=<c> title=<t>".
  std::vector<std::string> windows;
  std::optional<std::uint32_t> exit_code;  // none when the watcher gave up waiting

  bool operator==(const WatchReport&) const = default;
};

std::string FormatDialog(const Dialog& dialog);
std::string FormatReport(const WatchReport& report);
// Reads FormatReport's text back; throws std::runtime_error naming the first line it cannot read.
WatchReport ParseReport(const std::string& text);

std::ostream& operator<<(std::ostream& out, const Dialog& dialog);

}  // namespace regcorvex::test
