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

// A link value's data as Wine's hive writes it: the target's path in UTF-16LE.
std::string LinkData(const std::string& target) {
  std::string data = "hex(6):";
  char byte[8];
  for (std::size_t i = 0; i < target.size(); ++i) {
    std::snprintf(byte, sizeof byte, "%s%02x,00", i == 0 ? "" : ",",
                  static_cast<unsigned char>(target[i]));
    data += byte;
  }
  return data;
}

constexpr char kProduct[] = "Software\\\\Pellmoor Software Solutions\\\\Corvane 5";

// The product's user key holds a link key whose target is the product key itself, above it; the
// machine's key differs between the 32-bit view (where the product keeps it) and the 64-bit one.
class ProductRegistry : public ::testing::Test {
 protected:
  ProductRegistry() {
    const std::string product = kProduct;
    folder_.Write(
        "prefix/user.reg",
        "WINE REGISTRY Version 2\n"
        ";; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win64\n\n"
        "[" +
            product +
            "\\\\Misc] 1700000000\n\"Width\"=dword:00000400\n"
            "@=\"default\"\n"
            "[" +
            product + "\\\\Misc\\\\Loop] 1700000000\n#link\n\"SymbolicLinkValue\"=" +
            LinkData("\\REGISTRY\\User\\S-1-5-21-0-0-0-1000\\Software\\Pellmoor "
                     "Software Solutions\\Corvane 5") +
            "\n");
    folder_.Write("prefix/system.reg",
                  "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n"
                  "#arch=win64\n\n"
                  "[Software\\\\Wow6432Node\\\\Pellmoor Software Solutions\\\\Corvane 5] 1\n"
                  "\"View\"=\"32\"\n"
                  "[" +
                      product + "] 1\n\"View\"=\"64\"\n");
  }

  test::ProgramResult Admin(std::vector<std::string> args) {
    args.insert(args.begin(), REGCORVEX_ADMIN);
    return RunProgram(args, {{"WINEPREFIX", (folder_.path() / "prefix").string()}},
                      folder_.path().string(), std::chrono::seconds(60));
  }

  TempDir folder_;
};

constexpr char kUserProduct[] = "HKCU\\Software\\Pellmoor Software Solutions\\Corvane 5";

TEST_F(ProductRegistry, QueryListsALinkToAnAncestorWithoutFollowingIt) {
  const auto result = Admin({"query", kUserProduct, "/s"});
  ASSERT_FALSE(result.timed_out);
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_NE(result.out.find("Corvane 5\\Misc\\Loop\n    SymbolicLinkValue    REG_LINK"),
            std::string::npos)
      << result.out;
  EXPECT_EQ(result.out.find("Loop\\Misc"), std::string::npos) << result.out;
}

TEST_F(ProductRegistry, ExportListsALinkToAnAncestorWithoutFollowingIt) {
  const auto result = Admin({"export", "-o", "out.xml"});
  ASSERT_FALSE(result.timed_out);
  EXPECT_EQ(result.exit_code, 1) << result.err;
  EXPECT_NE(result.out.find("Corvane 5\\Misc\\Loop: 1 value: the key is a link"), std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find("2 values exported"), std::string::npos) << result.out;
}

// /v, /ve and the views as reg.exe takes them.
TEST_F(ProductRegistry, QueryTakesRegsOptions) {
  const std::string misc = std::string(kUserProduct) + "\\Misc";
  const std::string machine = "HKLM\\Software\\Pellmoor Software Solutions\\Corvane 5";
  const struct {
    std::vector<std::string> args;
    int exit_code;
    const char* shown;  // in standard output, or standard error when the exit code is not 0
  } cases[] = {
      {{"query", misc, "/v", "width"}, 0, "    Width    REG_DWORD    0x400\n"},
      {{"query", misc, "/ve"}, 0, "    (Default)    REG_SZ    default\n"},
      {{"query", kUserProduct, "/v", "Width", "/s"}, 0, "End of search: 1 match(es) found."},
      {{"query", misc, "/v", "Missing"}, 1, "unable to find the specified registry key or value"},
      {{"query", machine}, 0, "View    REG_SZ    32"},
      {{"query", machine, "/reg:32"}, 0, "View    REG_SZ    32"},
      {{"query", machine, "/REG:64"}, 0, "View    REG_SZ    64"},
      {{"query", misc, "/v"}, 2, "/v needs the name of a value"},
      {{"query", misc, "/reg:32", "/reg:64"}, 2, "unexpected \"/reg:64\""},
  };
  for (const auto& c : cases) {
    std::string label;
    for (const std::string& arg : c.args) label += arg + " ";
    SCOPED_TRACE(label);
    const auto result = Admin(c.args);
    EXPECT_EQ(result.exit_code, c.exit_code) << result.err;
    const std::string& shown = c.exit_code == 0 ? result.out : result.err;
    EXPECT_NE(shown.find(c.shown), std::string::npos) << shown;
  }
  const auto keys_only = Admin({"query", misc, "/v", "Width"});
  EXPECT_EQ(keys_only.out.find("Loop"), std::string::npos) << keys_only.out;
}

}  // namespace
}  // namespace regcorvex
