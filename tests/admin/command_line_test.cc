// The companion's command line: each command's own help, a JSON object on every path under
// --json (errors included) with the documented exit code, and no registry to read reported as
// such rather than previewed against nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace regcorvex {
namespace {

using test::RunProgram;
using test::TempDir;

test::ProgramResult Admin(const TempDir& folder, std::vector<std::string> args) {
  args.insert(args.begin(), REGCORVEX_ADMIN);
  return RunProgram(args, {{"WINEPREFIX", (folder.path() / "no-prefix").string()}},
                    folder.path().string(), std::chrono::seconds(60));
}

TEST(CommandLine, EachCommandHasItsOwnHelp) {
  const TempDir folder;
  for (const char* command : {"check", "preview", "query", "export"}) {
    for (const char* help : {"--help", "-h", "/?"}) {
      SCOPED_TRACE(std::string(command) + " " + help);
      const auto result = Admin(folder, {command, help});
      EXPECT_EQ(result.exit_code, 0) << result.err;
      EXPECT_EQ(result.out.rfind(std::string("usage: regcorvex-admin [--json] ") + command, 0), 0u)
          << result.out;
      EXPECT_NE(result.out.find("Exit 0"), std::string::npos) << result.out;
    }
  }
}

TEST(CommandLine, JsonOnEveryPath) {
  const TempDir folder;
  folder.Write("prefs.xml", "<?xml version=\"1.0\"?><!DOCTYPE Corvane_5_Preferences><x/>");
  const struct {
    std::vector<std::string> args;
    int exit_code;
    const char* shown;
  } cases[] = {
      {{"check", "missing.xml"}, 2, "\"outcome\": \"not-loaded\""},
      {{"preview", "prefs.xml"}, 2, "\"error\": \"The Wine prefix folder"},
      {{"query", "HKCU\\Software\\X"}, 1, "\"error\": \"The Wine prefix folder"},
      {{"query"}, 2, "\"error\": \"KEY must begin with"},
      {{"export", "--from-reg", "missing.reg"}, 2, "No such file or directory"},
      {{"export", "--from-reg", "."}, 2, "it is a folder, not a regular file"},
      {{"export", "--bogus"}, 2, "\"error\": \"malformed export command line\""},
      {{"check"}, 2, "\"error\": \"check takes one DOCUMENT\""},
      {{"frobnicate"}, 2, "\"error\": \"unknown command"},
      {{}, 2, "\"error\": \"no command given\""},
  };
  for (const auto& c : cases) {
    std::string label;
    for (const std::string& arg : c.args) label += arg + " ";
    SCOPED_TRACE(label);
    std::vector<std::string> args = c.args;
    args.push_back("--json");
    const auto result = Admin(folder, args);
    EXPECT_EQ(result.exit_code, c.exit_code) << result.err;
    ASSERT_FALSE(result.out.empty()) << result.err;
    EXPECT_EQ(result.out.front(), '{') << result.out;
    EXPECT_EQ(result.out.substr(result.out.size() - 2), "}\n") << result.out;
    EXPECT_NE(result.out.find(c.shown), std::string::npos) << result.out;
  }
}

TEST(CommandLine, TheBundledExampleHasNoFindings) {
  const TempDir folder;
  const auto result = Admin(folder, {"check", REGCORVEX_EXAMPLE});
  EXPECT_EQ(result.exit_code, 0) << result.out;
  EXPECT_NE(result.out.find("no findings"), std::string::npos) << result.out;
}

TEST(CommandLine, PreviewWithoutAPrefixExitsTwo) {
  const TempDir folder;
  const auto result = Admin(folder, {"preview", "prefs.xml"});
  EXPECT_EQ(result.exit_code, 2);
  EXPECT_NE(result.err.find("no-prefix cannot be used"), std::string::npos) << result.err;
}

}  // namespace
}  // namespace regcorvex
