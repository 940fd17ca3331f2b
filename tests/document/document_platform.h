// What the document tests need to know of the platform they run on: the Windows path of a test's
// file, and which DOM parses it. Natively the tests run with WINEPREFIX set to an empty temporary
// folder, so that Z: maps "/" and no real prefix is read; in the Windows build COM is initialised
// for the main thread, as the program's shell does.
#pragma once

#include <filesystem>
#include <string>

namespace regcorvex::testing {

std::string WindowsPath(const std::filesystem::path& path);

// True in the Windows build, where MSXML (under Wine, in the test runs) is the DOM.
bool ParsedByMsxml();

}  // namespace regcorvex::testing
