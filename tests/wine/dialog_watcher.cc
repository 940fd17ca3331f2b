// dialog_watcher.exe [--timeout S] PROGRAM.exe [ARGS...]
// Runs PROGRAM with the rest of the command line exactly as typed, answers every dialog it shows
// with OK and, when it has ended, prints what each dialog showed and its exit code
// (dialog_report.h). Exit code 0 when the program ended, 2 when it did not end within S seconds (it
// is then terminated), 3 when the environment is unfit (no display, or under Wine no WINEPREFIX), 1
// on usage or start errors.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <set>
#include <stdexcept>
#include <string>

#include "tests/wine/child_process.h"
#include "tests/wine/dialog_probe.h"
#include "tests/wine/dialog_report.h"

namespace regcorvex::testing {
namespace {

constexpr DWORD kPollMilliseconds = 20;
constexpr DWORD kDefaultTimeoutSeconds = 60;

enum ExitCode { kWatched = 0, kUsage = 1, kTimedOut = 2, kUnfitEnvironment = 3 };

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The word starting at pos (blanks skipped, quoted stretches kept whole, quotes dropped); pos
// moves past it.
std::string NextWord(const std::string& line, size_t& pos) {
  while (pos < line.size() && IsBlank(line[pos])) ++pos;
  std::string word;
  bool quoted = false;
  for (; pos < line.size() && (quoted || !IsBlank(line[pos])); ++pos) {
    if (line[pos] == '"') {
      quoted = !quoted;
    } else {
      word += line[pos];
    }
  }
  return word;
}

struct Options {
  DWORD timeout_seconds = kDefaultTimeoutSeconds;
  std::string program_command_line;  // from PROGRAM on, as typed
};

Options ParseCommandLine(const std::string& line) {
  Options options;
  size_t pos = 0;
  NextWord(line, pos);  // our own path
  for (;;) {
    const size_t word_start = pos;
    const std::string word = NextWord(line, pos);
    if (word.empty()) throw std::invalid_argument("no program to run");
    if (word != "--timeout") {
      options.program_command_line = line.substr(line.find_first_not_of(" \t", word_start));
      return options;
    }
    const std::string seconds = NextWord(line, pos);
    if (seconds.empty() || seconds.find_first_not_of("0123456789") != std::string::npos) {
      throw std::invalid_argument("--timeout needs a number of seconds");
    }
    options.timeout_seconds = static_cast<DWORD>(std::stoul(seconds));
  }
}

bool RunsUnderWine() {
  return ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

bool HasEnvironmentVariable(const char* name) {
  char value[2];
  return ::GetEnvironmentVariableA(name, value, sizeof(value)) > 0;
}

// Under Wine without a usable X display no window can be made, and a message box then returns at
// once without being shown: a run would look as if it had shown nothing.
bool CanShowWindows() {
  HWND probe = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                 ::GetModuleHandleA(nullptr), nullptr);
  if (probe == nullptr) return false;
  ::DestroyWindow(probe);
  return true;
}

// Why the watched program cannot be run here, or an empty text.
std::string EnvironmentProblem() {
  if (RunsUnderWine() && !HasEnvironmentVariable("WINEPREFIX")) {
    return "WINEPREFIX is not set; the tests run in a prefix of their own, never in ~/.wine";
  }
  if (!CanShowWindows()) {
    return "cannot create a window; under Wine, DISPLAY must name a running X server (Xvfb)";
  }
  return {};
}

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

int Run(const Options& options) {
  const ChildProcess program = ChildProcess::Start(options.program_command_line);
  Watcher watcher(program.id());
  const ULONGLONG deadline = ::GetTickCount64() + options.timeout_seconds * 1000ULL;
  int result = kWatched;
  for (;;) {
    const bool ended = program.Wait(0);
    watcher.Poll();
    if (ended) {
      watcher.report().exit_code = program.ExitCode();
      break;
    }
    if (::GetTickCount64() >= deadline) {
      program.Terminate(1);
      result = kTimedOut;
      break;
    }
    program.Wait(kPollMilliseconds);
  }
  const std::string text = FormatReport(watcher.report());
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
  return result;
}

}  // namespace
}  // namespace regcorvex::testing

int main() {
  using namespace regcorvex::testing;
  _setmode(_fileno(stdout), _O_BINARY);  // the report's lines end in a bare LF
  Options options;
  try {
    options = ParseCommandLine(::GetCommandLineA());
  } catch (const std::exception& e) {
    std::fprintf(
        stderr,
        "dialog_watcher: %s\nusage: dialog_watcher.exe [--timeout S] PROGRAM.exe [ARGS...]\n",
        e.what());
    return kUsage;
  }
  if (const std::string problem = EnvironmentProblem(); !problem.empty()) {
    std::fprintf(stderr, "dialog_watcher: %s\n", problem.c_str());
    return kUnfitEnvironment;
  }
  try {
    return Run(options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "dialog_watcher: %s\n", e.what());
    return kUsage;
  }
}
