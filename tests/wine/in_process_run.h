// The program's own run (RunApplication) on one command line inside the calling process, with its
// boxes recorded rather than shown: it reads the command line, resolves paths against the working
// folder and imports into the real registry as the program does, and costs no process start
// (about a minute a start where Wine runs emulated).
#pragma once

#include <string>

#include "tests/wine/dialog_report.h"

namespace regcorvex::test {

// command_line is the whole command line, the program's path first; the run checks the version
// resource of program, not of the caller. The report holds the boxes' captions, texts, error icons
// and OK buttons (their owners are not known) and the run's exit code. Throws std::runtime_error when working_folder cannot be entered.
WatchReport RunInProcess(const std::string& program, const std::string& command_line,
                         const std::string& working_folder);

}  // namespace regcorvex::test
