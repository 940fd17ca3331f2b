#include "tests/wine/watched_run.h"

#include <stdexcept>

#include "tests/wine/child_process.h"

namespace regcorvex::test {
namespace {

constexpr DWORD kWatcherTimedOut = 2;
// How long a watched run may wait for another test's run to end, and how long the watcher may
// take beyond its own timeout for the program (starting it, reading its windows, reporting).
constexpr DWORD kLockMilliseconds = 15 * 60 * 1000;
constexpr DWORD kWatcherGraceMilliseconds = 120 * 1000;

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// Holds a mutex named for all test processes of the Wine prefix, so that watched runs started by
// parallel tests do not take the foreground from each other's dialogs.
class RunLock {
 public:
  RunLock() : mutex_(::CreateMutexA(nullptr, FALSE, "RegCorvexWatchedRun")) {
    if (!mutex_) throw std::runtime_error("CreateMutexA failed");
    const DWORD waited = ::WaitForSingleObject(mutex_.get(), kLockMilliseconds);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
      throw std::runtime_error("another watched run held the prefix for too long");
    }
  }
  ~RunLock() { ::ReleaseMutex(mutex_.get()); }
  RunLock(const RunLock&) = delete;
  RunLock& operator=(const RunLock&) = delete;

 private:
  UniqueWin32Handle mutex_;
};

}  // namespace

std::string RegCorvexPath() { return WindowsPath(REGCORVEX_EXE); }
std::string DialogFixturePath() { return WindowsPath(DIALOG_FIXTURE_EXE); }
std::string RegCorvexMismatchPath() { return WindowsPath(REGCORVEX_MISMATCH_EXE); }
std::string ForegroundParentPath() { return WindowsPath(FOREGROUND_PARENT_EXE); }

WatchReport RunWatched(const std::string& program, const std::string& parameters,
                       unsigned timeout_seconds, const std::string& working_folder,
                       const std::string& launcher) {
  std::string command_line = (launcher.empty() ? "" : Quoted(launcher) + " ") +
                             Quoted(WindowsPath(DIALOG_WATCHER_EXE)) + " --timeout " +
                             std::to_string(timeout_seconds) + " " + Quoted(program);
  if (!parameters.empty()) command_line += " " + parameters;
  const RunLock lock;
  ChildProcess watcher = ChildProcess::StartCapturing(command_line, working_folder);
  const std::string output =
      watcher.ReadAllOutput(timeout_seconds * 1000 + kWatcherGraceMilliseconds);
  const DWORD status = watcher.ExitCode();
  if (status != 0 && status != kWatcherTimedOut) {
    throw std::runtime_error("dialog_watcher.exe failed with exit code " + std::to_string(status) +
                             ":\n" + output);
  }
  WatchReport report = ParseReport(output);
  if (report.exit_code.has_value() != (status == 0)) {
    throw std::runtime_error("dialog_watcher.exe exit code " + std::to_string(status) +
                             " contradicts its report:\n" + output);
  }
  return report;
}

Dialog ShownDialog(std::string caption, std::string text, bool icon,
                   std::vector<std::string> buttons, std::string owner) {
  Dialog dialog;
  dialog.caption = std::move(caption);
  dialog.text = std::move(text);
  dialog.icon = icon;
  dialog.buttons = std::move(buttons);
  dialog.owner = std::move(owner);
  return dialog;
}

std::vector<Dialog> AsSeenByUser(const WatchReport& report) {
  std::vector<Dialog> seen = report.dialogs;
  for (Dialog& dialog : seen) {
    dialog.foreground = false;
    dialog.centred = false;
    dialog.app_window = AppWindow();
  }
  return seen;
}

}  // namespace regcorvex::test
