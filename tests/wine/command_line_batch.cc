// command_line_batch.exe [--in-process] PROGRAM.exe CASES: runs PROGRAM once for each line of the
// file CASES, "<working folder><TAB><parameters>" in the ANSI code page, with the command line
// "PROGRAM.exe" <parameters> exactly as given, answering its dialogs with OK. Before each run the
// product's keys are removed. For each case it prints "case <n>", the watcher's report
// (dialog_report.h), one "value <v>" line per value below the product's key as ProductValues lists
// it, and "end". Many runs in one Wine process: starting Wine is the slow part of a run.
// With --in-process the program's own run takes each command line in this process instead
// (in_process_run.h): the report then holds the boxes' captions and texts and the exit code.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>

#include "platform/registry.h"
#include "tests/e2e/import_cases.h"
#include "tests/wine/in_process_run.h"
#include "tests/wine/program_watch.h"

namespace {

using regcorvex::test::WatchReport;

constexpr DWORD kRunSeconds = 120;

int RunCases(bool in_process, const std::string& program, const char* cases_file) {
  std::ifstream cases(cases_file, std::ios::binary);
  if (!cases) {
    std::fprintf(stderr, "command_line_batch: cannot read %s\n", cases_file);
    return 1;
  }
  platform::Registry& registry = platform::DefaultRegistry();
  int number = 0;
  for (std::string line; std::getline(cases, line); ++number) {
    const size_t tab = line.find('\t');
    if (tab == std::string::npos) {
      std::fprintf(stderr, "command_line_batch: line %d has no tab\n", number + 1);
      return 1;
    }
    regcorvex::test::RemoveProductKeys(registry);
    const std::string command_line = "\"" + program + "\" " + line.substr(tab + 1);
    const std::string folder = line.substr(0, tab);
    const WatchReport report =
        in_process ? regcorvex::test::RunInProcess(program, command_line, folder)
                   : regcorvex::test::WatchProgram(command_line, kRunSeconds, folder);
    std::string out =
        "case " + std::to_string(number) + "\n" + regcorvex::test::FormatReport(report);
    for (const std::string& value : regcorvex::test::ProductValues(registry)) {
      out += "value " + value + "\n";
    }
    out += "end\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
  }
  regcorvex::test::RemoveProductKeys(registry);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  const bool in_process = argc > 1 && std::strcmp(argv[1], "--in-process") == 0;
  if (argc != (in_process ? 4 : 3)) {
    std::fputs("usage: command_line_batch.exe [--in-process] PROGRAM.exe CASES\n", stderr);
    return 1;
  }
  try {
    return RunCases(in_process, argv[argc - 2], argv[argc - 1]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "command_line_batch: %s\n", e.what());
    return 1;
  }
}
