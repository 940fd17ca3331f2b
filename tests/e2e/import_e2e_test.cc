// The real program, end to end: each case writes a small document into a fresh folder, runs
// regcorvex on it in a fresh Wine prefix, then reads back the registry and the message boxes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "admin/registry_query.h"
#include "platform/code_page.h"
#include "platform/posix/wine_registry/registry.h"
#include "platform/utf8.h"
#include "tests/e2e/command_line_rows.h"
#include "tests/e2e/import_cases.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_platform.h"

namespace regcorvex {
namespace {

using test::ImportCases;
using test::kProductKey;
using test::ProductDocument;
using test::RunProgram;
using test::TempDir;

// A message box as the native program writes it to standard error: the caption, then every line
// of the text (CR LF separated, an empty one included) behind "| ".
std::string Box(const test::ExpectedBox& box, const std::string& path = "doc.xml") {
  std::string text = box.text;
  if (const size_t at = text.find("{path}"); at != std::string::npos) text.replace(at, 6, path);
  std::string out = box.caption + "\n";
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    out += end == start ? "|\n" : "| " + text.substr(start, end - start) + "\n";
  }
  return out + (start == text.size() ? "|\n" : "| " + text.substr(start) + "\n");
}

struct ImportRun {
  std::vector<std::string> values;
  std::string boxes;
  int exit_code;
};

ImportRun Import(const std::string& document) {
  const TempDir folder;
  folder.Write("doc.xml", document);
  const std::string prefix = (folder.path() / "prefix").string();
  const auto result = RunProgram({REGCORVEX_PROGRAM, "/IC", "doc.xml"}, {{"WINEPREFIX", prefix}},
                                 folder.path().string());
  return {test::ProductValues(*platform::OpenWinePrefixRegistry(prefix)), result.err,
          result.exit_code};
}

TEST(ImportEndToEnd, CarriesDocumentsIntoTheRegistry) {
  for (const test::ImportCase& c : ImportCases()) {
    SCOPED_TRACE(c.label);
    const ImportRun run = Import(c.document);
    std::string boxes;
    for (const auto& box : c.boxes) boxes += Box(box);
    EXPECT_EQ(run.values, c.values);
    EXPECT_EQ(run.boxes, boxes);
    EXPECT_EQ(run.exit_code, 0);
  }
}

TEST(ImportEndToEnd, LooksForTheDocumentWhereTheCommandLineSays) {
  for (const test::CommandLineRow& row : test::CommandLineRows()) {
    SCOPED_TRACE(row.label);
    const TempDir folder;
    const std::filesystem::path tree = folder.path() / "tree";
    test::WriteCommandLineTree(tree);
    const std::string tree_path = test::WindowsPath(tree);
    std::vector<std::string> argv = {REGCORVEX_PROGRAM};
    for (const std::string& argument : test::ExpandTree(row.arguments, tree_path)) {
      argv.push_back(platform::Utf16ToUtf8(platform::AnsiToWide(argument)));
    }
    const std::string prefix = (folder.path() / "prefix").string();
    const auto result =
        RunProgram(argv, {{"WINEPREFIX", prefix}}, test::TreeFolder(tree, row.folder).string());
    std::string boxes;
    for (const auto& box : row.boxes) {
      boxes += Box({box.caption, test::ExpandTree({box.text}, tree_path)[0]});
    }
    EXPECT_EQ(test::ProductValues(*platform::OpenWinePrefixRegistry(prefix)), row.values);
    EXPECT_EQ(result.err, boxes);
    EXPECT_EQ(result.exit_code, 0);
  }
}

TEST(ImportEndToEnd, ImportsOneHundredThousandValues) {
  constexpr int kCount = 100000;
  const ImportRun run = Import(test::LargeDocument(kCount));
  EXPECT_EQ(run.boxes, "");
  ASSERT_EQ(run.values.size(), static_cast<size_t>(kCount));
  EXPECT_EQ(run.values.front(), "HKCU\\$Unknown\\Bulk 0: V0 = REG_DWORD 0x0");
  EXPECT_EQ(run.values.back(), "HKLM\\$Unknown\\Bulk 9: V99959 = REG_DWORD 0x18677");
}

TEST(ImportEndToEnd, CategoriesWithoutChildrenAndWithOnlyComments) {
  const TempDir folder;
  folder.Write("doc.xml",
               ProductDocument("<PerUserRoam><Misc/><Paths><!--nothing--></Paths></PerUserRoam>"));
  const std::string prefix = (folder.path() / "prefix").string();
  RunProgram({REGCORVEX_PROGRAM, "/IC", "doc.xml"}, {{"WINEPREFIX", prefix}},
             folder.path().string());
  auto registry = platform::OpenWinePrefixRegistry(prefix);
  const auto key = [&](const std::string& category) {
    return QueryRegistry(
        *registry, *ParseRegistryPath("HKCU\\" + std::string(kProductKey) + "\\" + category), {});
  };
  EXPECT_FALSE(key("Misc").has_value());
  EXPECT_TRUE(key("Paths").has_value());
}

TEST(ImportEndToEnd, ADamagedHiveIsReportedAndKeptAsItWas) {
  const TempDir folder;
  folder.Write("doc.xml", ProductDocument(
                              "<PerUserRoam><Misc><A type=\"integer\">1</A></Misc></PerUserRoam>"));
  const std::string damaged = "WINE REGISTRY Version 2\n[Software\\Broken\n\"x\"=dword:zz\n";
  const auto user_reg = folder.Write("prefix/user.reg", damaged);
  const auto result =
      RunProgram({REGCORVEX_PROGRAM, "/IC", "doc.xml"},
                 {{"WINEPREFIX", (folder.path() / "prefix").string()}}, folder.path().string());
  EXPECT_EQ(result.err.rfind("Corvane 5 OpenPref Error\n", 0), 0u) << result.err;
  EXPECT_NE(result.err.find("user.reg"), std::string::npos) << result.err;
  std::ifstream file(user_reg, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), damaged);
}

// libxml2 reports some load errors outside its parser context, where its default handler would
// print them to stderr, and words others on several lines: the native program still prints
// nothing but the box, one line of it for each line of the reason.
TEST(ImportEndToEnd, LoadErrorsAreShownOnlyInTheBox) {
  const std::string frame =
      "Register Corvane 5\n| Could not import the program configuration due to the following "
      "error:\n";
  struct Case {
    const char* label;
    std::string document;
    std::string box;
  };
  const Case kCases[] = {
      {"bytes that the declared encoding cannot convert",
       "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<!DOCTYPE Corvane_5_Preferences>\n"
       "<Corvane_5_Preferences>\x81\x20\xff\xfe</Corvane_5_Preferences>\n",
       frame +
           "| input conversion failed due to input error, bytes 0x81 0x20 0xFF 0xFE\n| Line: 0\n|\n"
           "|\n| Filename: doc.xml\n"},
      {"an unpaired surrogate in a UTF-16 document",
       std::string("\xff\xfe<\0r\0>\0\0\xd8<\0/\0r\0>\0", 18),
       frame +
           "| input conversion failed due to input error, bytes 0x00 0xD8 0x3C 0x00\n| Line: 0\n|\n"
           "|\n| Filename: doc.xml\n"},
      {"a reason that libxml2 gives in two lines, in one as MSXML gives it",
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<r>\xc3\x28</r>\n",
       frame + "| Input is not proper UTF-8, indicate encoding !\n"
               "| Line: 2\n| <r>\xc3(</r>\n|\n| Filename: doc.xml\n"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.label);
    const ImportRun run = Import(c.document);
    EXPECT_EQ(run.boxes, c.box);
    EXPECT_EQ(run.exit_code, 0);
  }
}

// A document that exists but that the user may not read is reported as such, not as missing. Root
// reads every file, so as root the program runs as nobody, in a prefix of nobody's own.
TEST(ImportEndToEnd, ADocumentThatCannotBeReadIsReportedAsAccessDenied) {
  const TempDir folder;
  const auto document = folder.Write("doc.xml", ProductDocument("<PerUserRoam/>"));
  const auto prefix = folder.path() / "prefix";
  std::filesystem::create_directory(prefix);
  std::vector<std::string> argv = {REGCORVEX_PROGRAM, "/IC", "doc.xml"};
  if (::geteuid() == 0) {
    std::filesystem::permissions(folder.path(), std::filesystem::perms::all);
    ASSERT_EQ(::chown(prefix.c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chown(document.c_str(), 65534, 65534), 0);
    argv.insert(argv.begin(),
                {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
  }
  std::filesystem::permissions(document, std::filesystem::perms::none);
  const auto result = RunProgram(argv, {{"WINEPREFIX", prefix.string()}}, folder.path().string());
  EXPECT_EQ(result.err,
            "Register Corvane 5\n| Could not import the program configuration due to the "
            "following error:\n| Access is denied.\n| Line: 0\n|\n|\n| Filename: doc.xml\n");
  EXPECT_EQ(result.exit_code, 0);
}

}  // namespace
}  // namespace regcorvex
