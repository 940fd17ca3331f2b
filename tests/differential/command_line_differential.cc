#include "tests/differential/command_line_differential.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/code_page.h"
#include "platform/posix/wine_registry/registry.h"
#include "platform/utf8.h"
#include "tests/differential/run_comparison.h"
#include "tests/e2e/command_line_rows.h"
#include "tests/platform/booted_prefix.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_platform.h"
#include "tests/support/wine_program.h"
#include "tests/wine/dialog_report.h"

namespace regcorvex::test {
namespace {

namespace fs = std::filesystem;

constexpr std::chrono::seconds kNativeDeadline{120};

std::string Utf8(const std::string& ansi) {
  return platform::Utf16ToUtf8(platform::AnsiToWide(ansi));
}

// The boxes as the native program writes them to standard error: the caption, then each line of
// the text behind "| " ("|" alone for an empty line).
DocumentRun FromStandardError(const std::string& err) {
  DocumentRun outcome;
  std::vector<std::vector<std::string>> texts;
  std::istringstream lines(err);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("|", 0) != 0 || texts.empty()) {
      outcome.boxes.push_back({line, ""});
      texts.emplace_back();
    } else {
      texts.back().push_back(line.size() > 2 ? line.substr(2) : "");
    }
  }
  for (std::size_t i = 0; i < texts.size(); ++i) {
    for (std::size_t line = 0; line < texts[i].size(); ++line) {
      outcome.boxes[i].text += (line > 0 ? "\r\n" : "") + texts[i][line];
    }
  }
  return outcome;
}

DocumentRun RunNative(const Programs& programs, const fs::path& tree, const fs::path& prefix,
                      const CommandLineCase& c) {
  std::vector<std::string> argv = {programs.native.string()};
  for (const std::string& argument : c.arguments) argv.push_back(Utf8(argument));
  const ProgramResult run = RunProgram(argv, {{"WINEPREFIX", prefix.string()}},
                                       TreeFolder(tree, c.folder).string(), kNativeDeadline);
  if (run.timed_out) throw std::runtime_error("regcorvex did not end in time");
  DocumentRun outcome = FromStandardError(run.err);
  outcome.values = ProductValues(*platform::OpenWinePrefixRegistry(prefix.string()));
  return outcome;
}

// Reads the batch's output: one outcome per case it finished, in order.
std::vector<DocumentRun> ParseBatch(const std::string& out) {
  std::vector<DocumentRun> outcomes;
  std::istringstream lines(out);
  std::string report;
  bool in_report = false;
  bool finished = true;
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("case ", 0) == 0) {
      outcomes.emplace_back();
      report.clear();
      in_report = true;
      finished = false;
    } else if (in_report) {
      report += line + "\n";
      if (line.rfind("exit: ", 0) == 0) {
        for (const Dialog& dialog : ParseReport(report).dialogs) {
          outcomes.back().boxes.push_back({dialog.caption, dialog.text});
        }
        in_report = false;
      }
    } else if (line == "end") {
      finished = true;
    } else if (line.rfind("value ", 0) == 0) {
      outcomes.back().values.push_back(line.substr(6));
    }
  }
  if (!finished) outcomes.pop_back();
  return outcomes;
}

// The outcomes of the cases the batch finished within wine_time, in order.
std::vector<DocumentRun> RunWindows(const Programs& programs, WindowsSide side,
                                    const fs::path& work, const fs::path& tree,
                                    const std::vector<CommandLineCase>& cases,
                                    std::chrono::seconds wine_time) {
  if (std::getenv("DISPLAY") == nullptr) {
    throw std::runtime_error("DISPLAY must name a running X server for RegCorvex.exe's boxes");
  }
  const fs::path prefix = work / "wine-prefix";
  CopyBootedPrefix(programs.booted_template, prefix);
  std::string list;
  for (const CommandLineCase& c : cases) {
    std::string folder = WindowsPath(tree);
    if (!c.folder.empty()) folder += "\\" + c.folder;
    list += folder + "\t" + WineCommandLineTail(c.arguments) + "\n";
  }
  const fs::path list_file = work / "cases.txt";
  std::ofstream(list_file, std::ios::binary) << list;
  std::vector<std::string> batch = {programs.batch.string()};
  if (side == WindowsSide::kInProcess) batch.push_back("--in-process");
  batch.push_back(WindowsPath(programs.windows));
  batch.push_back(WindowsPath(list_file));
  const ProgramResult run = RunWineProgram(prefix, batch, wine_time);
  WaitForWineserver(prefix);
  if (!run.timed_out && run.exit_code != 0) {
    throw std::runtime_error("command_line_batch.exe failed (exit code " +
                             std::to_string(run.exit_code) + "):\n" + run.err);
  }
  std::vector<DocumentRun> outcomes = ParseBatch(run.out);
  if (!run.timed_out && outcomes.size() != cases.size()) {
    throw std::runtime_error("command_line_batch.exe reported " + std::to_string(outcomes.size()) +
                             " of " + std::to_string(cases.size()) + " cases:\n" + run.err);
  }
  return outcomes;
}

}  // namespace

std::string Describe(const DocumentRun& outcome) {
  std::string text;
  for (const auto& [caption, box] : outcome.boxes) text += "  box [" + caption + "] " + box + "\n";
  for (const std::string& value : outcome.values) text += "  value " + value + "\n";
  return text.empty() ? "  nothing\n" : text;
}

std::string Describe(const Divergence& divergence) {
  std::string text = "in \"" + divergence.command_line.folder + "\":";
  for (const std::string& argument : divergence.command_line.arguments) {
    text += " [" + argument + "]";
  }
  return text + "\n command line tail: " + divergence.parameters + "\n native:\n" +
         Describe(divergence.native) + " the Windows build under Wine:\n" +
         Describe(divergence.windows);
}

DifferentialRun RunCommandLineDifferential(const Programs& programs, WindowsSide side,
                                           unsigned seed, int count,
                                           std::chrono::seconds wine_time) {
  const TempDir work;
  const fs::path tree = work.path() / "files" / "tree";
  WriteCommandLineTree(tree);
  const std::vector<CommandLineCase> cases = GenerateCommandLines(seed, count, WindowsPath(tree));
  const std::vector<DocumentRun> windows =
      RunWindows(programs, side, work.path(), tree, cases, wine_time);
  DifferentialRun result;
  result.cut_short = windows.size() < cases.size();
  for (std::size_t i = 0; i < windows.size(); ++i) {
    const fs::path prefix = work.path() / "native-prefix" / std::to_string(i);
    fs::create_directories(prefix);
    const DocumentRun native = RunNative(programs, tree, prefix, cases[i]);
    fs::remove_all(prefix);
    ++result.compared;
    if (!SameRunLines(RunLines(native), RunLines(windows[i]))) {
      result.divergences.push_back(
          {cases[i], WineCommandLineTail(cases[i].arguments), native, windows[i]});
    }
  }
  return result;
}

}  // namespace regcorvex::test
