// Runs a program of the build under dialog_watcher.exe and returns what the watcher saw. A watcher
// that cannot run (no display, no program) or whose report cannot be read throws
// std::runtime_error with its output; a run that did not end in time comes back without exit code.
#pragma once

#include <string>
#include <vector>

#include "tests/wine/dialog_report.h"

namespace regcorvex::test {

// The paths of the programs the build made, in Windows form.
std::string RegCorvexPath();
std::string DialogFixturePath();
// The program built with another product name in its version resource.
std::string RegCorvexMismatchPath();
// foreground_parent.exe: shows a foreground window and waits for its command without answering.
std::string ForegroundParentPath();

// parameters: the program's command line after its own path, exactly as typed; working_folder
// empty: the test's own. A launcher, when given, starts the watcher in turn (its path, followed by
// the watcher's command line).
WatchReport RunWatched(const std::string& program, const std::string& parameters,
                       unsigned timeout_seconds = 60, const std::string& working_folder = "",
                       const std::string& launcher = "");
inline WatchReport RunRegCorvex(const std::string& parameters) {
  return RunWatched(RegCorvexPath(), parameters);
}

// A dialog as a table row expects it: what the user sees of it.
Dialog ShownDialog(std::string caption, std::string text, bool icon,
                   std::vector<std::string> buttons, std::string owner);
// What the user saw of each dialog: the report's dialogs without the foreground and centred flags
// and the application window's state, for comparing with a table's expectations.
std::vector<Dialog> AsSeenByUser(const WatchReport& report);

}  // namespace regcorvex::test
