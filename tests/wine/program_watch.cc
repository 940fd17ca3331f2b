#include "tests/wine/program_watch.h"

#include <set>

#include "tests/wine/child_process.h"
#include "tests/wine/dialog_probe.h"

namespace regcorvex::test {
namespace {

constexpr DWORD kPollMilliseconds = 20;

// Records every top-level window of the process shown since the last call and answers new
// dialogs with OK.
class Watcher {
 public:
  explicit Watcher(DWORD process_id) : process_id_(process_id) {}

  void Poll() {
    std::erase_if(answered_, [](HWND dialog) { return !::IsWindow(dialog); });
    for (HWND window : TopLevelWindows(process_id_)) {
      if (!::IsWindowVisible(window)) continue;
      if (WindowClass(window) == kDialogClass) {
        if (!answered_.insert(window).second) continue;
        report_.dialogs.push_back(ReadDialog(window, process_id_));
        ::PostMessageA(window, WM_COMMAND, IDOK, 0);
      } else if (other_windows_.insert(window).second) {
        report_.windows.push_back("class=" + WindowClass(window) + " title=" + WindowText(window));
        ::SetPropA(window, kSeenProperty, reinterpret_cast<HANDLE>(1));
      }
    }
  }

  WatchReport& report() { return report_; }

 private:
  DWORD process_id_;
  std::set<HWND> answered_;
  std::set<HWND> other_windows_;
  WatchReport report_;
};

}  // namespace

WatchReport WatchProgram(const std::string& command_line, DWORD timeout_seconds,
                         const std::string& working_folder) {
  const ChildProcess program = ChildProcess::Start(command_line, working_folder);
  Watcher watcher(program.id());
  const ULONGLONG deadline = ::GetTickCount64() + timeout_seconds * 1000ULL;
  for (;;) {
    const bool ended = program.Wait(0);
    watcher.Poll();
    if (ended) {
      watcher.report().exit_code = program.ExitCode();
      return watcher.report();
    }
    if (::GetTickCount64() >= deadline) {
      program.Terminate(1);
      program.Wait(kPollMilliseconds);
      return watcher.report();
    }
    program.Wait(kPollMilliseconds);
  }
}

}  // namespace regcorvex::test
