// The two builds on the same command lines: each generated case runs through the native regcorvex
// (a fresh prefix per case) and through the Windows build under Wine (all cases in one batch, in
// one booted prefix), in one file tree whose folders hold documents that import where they are.
// The outcomes compared, as run_comparison.h compares them: the values below the product's key and
// the boxes (caption and text).
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/differential/command_line_cases.h"
#include "tests/differential/document_run.h"

namespace regcorvex::test {

std::string Describe(const DocumentRun& outcome);

struct Programs {
  std::filesystem::path native;           // regcorvex
  std::filesystem::path windows;          // RegCorvex.exe
  std::filesystem::path batch;            // command_line_batch.exe
  std::filesystem::path booted_template;  // a booted Wine prefix, copied for the Wine side
};

struct Divergence {
  CommandLineCase command_line;
  std::string parameters;  // as the Windows program received them
  DocumentRun native;
  DocumentRun windows;
};

// How the Windows build takes each command line under Wine: RegCorvex.exe started for it, its
// dialogs answered by a watcher; or the program's run called in the batch's own process with the
// same command line and working folder, its boxes recorded (no process start, which takes about a
// minute where Wine runs emulated).
enum class WindowsSide { kProgram, kInProcess };

struct DifferentialRun {
  int compared = 0;
  bool cut_short = false;  // the Wine side ran out of time: only the cases it finished compared
  std::vector<Divergence> divergences;
};

// Runs count cases from seed through both programs in a temporary folder, the Wine side for at
// most wine_time. Throws std::runtime_error when the Wine side cannot run (no display, a failed
// batch).
DifferentialRun RunCommandLineDifferential(const Programs& programs, WindowsSide side,
                                           unsigned seed, int count,
                                           std::chrono::seconds wine_time);

std::string Describe(const Divergence& divergence);

}  // namespace regcorvex::test
