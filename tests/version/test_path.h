// The path a file of the test has for the version functions: a Windows path. Natively the tests
// run with WINEPREFIX set to an empty temporary folder, so that Z: maps "/" and no real prefix is
// read.
#pragma once

#include <filesystem>
#include <string>

namespace regcorvex::testing {

std::string WindowsPath(const std::filesystem::path& path);
// A path of the build machine (such as a build output) as this test process opens it.
std::filesystem::path LocalPath(const std::string& build_path);

}  // namespace regcorvex::testing
