// `regcorvex-admin query` on a Wine prefix whose keys, values and texts hold characters outside
// the ANSI code page: the listing shows every one of them in UTF-8, text and JSON alike, and a
// key named on the command line in UTF-8 is found.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace regcorvex {
namespace {

using test::RunProgram;
using test::TempDir;

// A user hive as Wine writes it: "K\xe4se" is in code page 1252, "\x65e5\x672c" (Japanese) is
// not, and "\xd83d\xde00" is a character outside the Basic Multilingual Plane.
constexpr char kUserHive[] =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win32\n\n"
    "[Software\\\\Q] 1700000000\n"
    "[Software\\\\Q\\\\K\\xe4se] 1700000000\n"
    "\"\\x3a9\"=\"\\x3a9mega \\xd83d\\xde00\"\n"
    "[Software\\\\Q\\\\K\\xe4se\\\\\\x65e5\\x672c] 1700000000\n"
    "\"n\"=dword:00000007\n"
    "[Software\\\\Q\\\\\\xd83d\\xde00] 1700000000\n"
    "@=str(7):\"a\\0\\x3b2\\0\\0\"\n";

class RegistryQuery : public ::testing::Test {
 protected:
  RegistryQuery() { folder_.Write("prefix/user.reg", kUserHive); }

  test::ProgramResult Query(const std::string& key, bool json = false) {
    std::vector<std::string> argv = {REGCORVEX_ADMIN, "query", key, "/s"};
    if (json) argv.push_back("--json");
    return RunProgram(argv, {{"WINEPREFIX", (folder_.path() / "prefix").string()}});
  }

  TempDir folder_;
};

TEST_F(RegistryQuery, ShowsEveryNameAndTextInUtf8) {
  const auto result = Query("HKCU\\Software\\Q");
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(result.out,
            "\nHKEY_CURRENT_USER\\Software\\Q\n"
            "\nHKEY_CURRENT_USER\\Software\\Q\\K\u00e4se\n"
            "    \u03a9    REG_SZ    \u03a9mega \U0001F600\n"
            "\nHKEY_CURRENT_USER\\Software\\Q\\K\u00e4se\\\u65e5\u672c\n"
            "    n    REG_DWORD    0x7\n"
            "\nHKEY_CURRENT_USER\\Software\\Q\\\U0001F600\n"
            "    (Default)    REG_MULTI_SZ    a\\0\u03b2\n\n");
}

TEST_F(RegistryQuery, JsonShowsTheSameNames) {
  const auto result = Query("HKCU\\Software\\Q", true);
  EXPECT_EQ(result.exit_code, 0) << result.err;
  for (const char* shown : {"\"HKEY_CURRENT_USER\\\\Software\\\\Q\\\\K\u00e4se\\\\\u65e5\u672c\"",
                            "{\"name\": \"\u03a9\", \"type\": \"REG_SZ\", \"data\": \"\u03a9mega "
                            "\U0001F600\"}",
                            "\"HKEY_CURRENT_USER\\\\Software\\\\Q\\\\\U0001F600\""}) {
    EXPECT_NE(result.out.find(shown), std::string::npos) << shown << "\n" << result.out;
  }
}

TEST_F(RegistryQuery, FindsAKeyNamedInUtf8) {
  const auto result = Query("HKCU\\Software\\Q\\K\u00e4se");
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(result.out.rfind("\nHKEY_CURRENT_USER\\Software\\Q\\K\u00e4se\n", 0), 0u) << result.out;
}

}  // namespace
}  // namespace regcorvex
