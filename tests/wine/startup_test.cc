// RegCorvex.exe started under the watcher: runs that must end by themselves with exit code 0 and
// show nothing at all.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/support/temp_dir.h"
#include "tests/wine/watched_run.h"

namespace regcorvex::test {
namespace {

using ::testing::IsEmpty;

// "{dir}" in the parameters stands for a fresh folder that holds the folder "sub" and nothing else.
struct QuietCase {
  const char* label;
  const char* parameters;
};

const QuietCase kQuietCases[] = {
    {"no parameters", ""},
    {"parameters that are no options", "/X -IC IC.xml"},
    {"missing document", R"(/IC {dir}\prefs.xml)"},
    {"missing document in a missing folder", R"(/IC "{dir}\no such folder\prefs.xml")"},
    {"missing bare name beside /IP", R"(/IC prefs.xml /IP {dir}\setup.exe)"},
    {"a folder instead of a document", R"(/IC {dir}\sub)"},
    {"empty value", R"(/IC /IP {dir}\)"},
};

std::string Expand(std::string parameters, const std::string& dir) {
  for (size_t at = parameters.find("{dir}"); at != std::string::npos;
       at = parameters.find("{dir}", at + dir.size())) {
    parameters.replace(at, 5, dir);
  }
  return parameters;
}

TEST(StartupTest, QuietRunsShowNothingAndExitWithZero) {
  const TempDir dir;
  std::filesystem::create_directory(dir.path() / "sub");
  for (const QuietCase& row : kQuietCases) {
    SCOPED_TRACE(row.label);
    const WatchReport report = RunRegCorvex(Expand(row.parameters, dir.path().string()));
    EXPECT_THAT(report.dialogs, IsEmpty());
    EXPECT_THAT(report.windows, IsEmpty());
    EXPECT_EQ(report.exit_code, 0u);
  }
}

}  // namespace
}  // namespace regcorvex::test
