// What tests need to know of the platform they run on. Natively every test process that uses this
// runs with WINEPREFIX set to an empty temporary folder, so that Z: maps "/" and no real prefix is
// read; in the Windows build COM is initialised for the main thread, as the program's shell does.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>

namespace regcorvex::test {

// The Windows path of a file of the test (a temporary file or a build output).
std::string WindowsPath(const std::filesystem::path& path);
// A path of the build machine (such as a build output) as this test process opens it.
std::filesystem::path LocalPath(const std::string& build_path);
// True in the Windows build, where MSXML (under Wine, in the test runs) is the DOM.
bool ParsedByMsxml();
// True in the Windows build, where the platform's functions are the system's own (Wine's in the
// test runs); natively they are this program's stand-ins.
bool SystemFunctions();
// The CPU time this process has used so far, for limits that a busy machine must not break.
std::chrono::microseconds ProcessCpuTime();

}  // namespace regcorvex::test
