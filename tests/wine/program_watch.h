// Runs a Windows program, answers every dialog it shows with OK and records what each showed:
// what dialog_watcher.exe does for one program, and the batch runner for many.
#pragma once

#include <string>

#include "platform/windows/win32.h"
#include "tests/wine/dialog_report.h"

namespace regcorvex::test {

// Runs command_line exactly as given, in working_folder (empty: the caller's), until it ends or
// timeout_seconds have passed (it is then terminated and the report has no exit code). Start
// failures throw std::runtime_error.
WatchReport WatchProgram(const std::string& command_line, DWORD timeout_seconds,
                         const std::string& working_folder = "");

}  // namespace regcorvex::test
