// dialog_watcher.exe [--timeout S] PROGRAM.exe [ARGS...]
// Runs PROGRAM with the rest of the command line exactly as typed, answers every dialog it shows
// with OK and, when it has ended, prints what each dialog showed and its exit code
// (dialog_report.h). Exit code 0 when the program ended, 2 when it did not end within S seconds (it
// is then terminated), 3 when the environment is unfit (no display, or under Wine no WINEPREFIX), 1
// on usage or start errors.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <stdexcept>
#include <string>

#include "tests/wine/dialog_probe.h"
#include "tests/wine/dialog_report.h"
#include "tests/wine/program_watch.h"

namespace regcorvex::test {
namespace {

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

int Run(const Options& options) {
  const WatchReport report = WatchProgram(options.program_command_line, options.timeout_seconds);
  const std::string text = FormatReport(report);
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
  return report.exit_code ? kWatched : kTimedOut;
}

}  // namespace
}  // namespace regcorvex::test

int main() {
  using namespace regcorvex::test;
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
