// The real program, end to end: each case writes a small document into a fresh folder, runs
// regcorvex on it in a fresh Wine prefix, then reads back the registry and the message boxes.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "admin/registry_query.h"
#include "platform/posix/wine_registry.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace regcorvex {
namespace {

using testing::RunProgram;
using testing::TempDir;

constexpr char kBase[] = "Software\\Pellmoor Software Solutions\\Corvane 5";

std::string Document(const std::string& products) {
  return "<?xml version=\"1.0\"?>\n<!DOCTYPE Corvane_5_Preferences>\n<Corvane_5_Preferences>" +
         products + "</Corvane_5_Preferences>\n";
}

std::string Product(const std::string& scopes) {
  return Document("<Corvane_5>" + scopes + "</Corvane_5>");
}

// A message box as the native program writes it to standard error: the caption, then every line
// of the text (CR LF separated, an empty one included) behind "| ".
std::string Box(const std::string& caption, const std::string& text) {
  std::string out = caption + "\n";
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    out += end == start ? "|\n" : "| " + text.substr(start, end - start) + "\n";
  }
  return out + (start == text.size() ? "|\n" : "| " + text.substr(start) + "\n");
}

struct ImportRun {
  std::vector<std::string> values;  // "HKCU\<key below the base>: name = TYPE data"
  std::string boxes;
  int exit_code;
};

// Every value below the product's key in both hives, one line each.
std::vector<std::string> ProductValues(const std::string& prefix) {
  auto registry = platform::OpenWinePrefixRegistry(prefix);
  std::vector<std::string> values;
  for (const char* root : {"HKCU", "HKLM"}) {
    const auto listing =
        QueryRegistry(*registry, *ParseRegistryPath(std::string(root) + "\\" + kBase), true);
    if (!listing) continue;
    std::istringstream lines(*listing);
    std::string key;
    for (std::string line; std::getline(lines, line);) {
      if (line.rfind("HKEY_", 0) == 0) {
        const size_t base = line.find(kBase) + sizeof(kBase) - 1;
        key = std::string(root) + line.substr(base);
      } else if (line.rfind("    ", 0) == 0) {
        const size_t name_end = line.find("    ", 4);
        const size_t type_end = line.find("    ", name_end + 4);
        values.push_back(key + ": " + line.substr(4, name_end - 4) + " = " +
                         line.substr(name_end + 4, type_end - name_end - 4) + " " +
                         line.substr(type_end + 4));
      }
    }
  }
  return values;
}

ImportRun Import(const std::string& document) {
  const TempDir folder;
  folder.Write("doc.xml", document);
  const std::string prefix = (folder.path() / "prefix").string();
  const auto result = RunProgram({REGCORVEX_PROGRAM, "/IC", "doc.xml"}, {{"WINEPREFIX", prefix}},
                                 folder.path().string());
  return {ProductValues(prefix), result.err, result.exit_code};
}

const std::string kImportError =
    "Could not import the program configuration due to the following error:";

struct Case {
  const char* label;
  std::string document;
  std::vector<std::string> values;
  std::string boxes;
};

TEST(ImportEndToEnd, CarriesDocumentsIntoTheRegistry) {
  const std::string long_name(300, 'L');
  const Case cases[] = {
      {"every type, in a category and directly under the scope",
       Product("<PerUserRoam><Top type=\"integer\">7</Top><Appearance>"
               "<Width type=\"integer\">$1F</Width><Name type=\"string\">C:\\My_Files</Name>"
               "<On type=\"boolean\">-1</On><Blob type=\"binary\">0A 1B FF</Blob>"
               "</Appearance></PerUserRoam>"),
       {"HKCU: Top = REG_DWORD 0x7", "HKCU\\Appearance: Blob = REG_BINARY 0A1BFF",
        "HKCU\\Appearance: Name = REG_SZ C:\\My Files", "HKCU\\Appearance: On = REG_DWORD 0x1",
        "HKCU\\Appearance: Width = REG_DWORD 0x1f"},
       ""},
      {"both names of another product",
       "<!DOCTYPE Xyz_4_Preferences><Xyz_4_Preferences><Corvane_5><PerUserRoam>"
       "<A type=\"integer\">1</A></PerUserRoam></Corvane_5></Xyz_4_Preferences>",
       {},
       Box("Register Corvane 5",
           "This configuration file belongs to Xyz 4\r\nand is not compatible with Corvane 5.")},
      {"DOCTYPE of another product",
       "<!DOCTYPE Other_Preferences><Corvane_5_Preferences/>",
       {},
       Box("Register Corvane 5",
           "This configuration file belongs to Other\r\nand is not compatible with Corvane 5.")},
      {"root of another product",
       "<!DOCTYPE Corvane_5_Preferences><Old_Thing_Preferences/>",
       {},
       Box("Register Corvane 5",
           "This configuration file belongs to Old Thing\r\nand is not compatible with Corvane "
           "5.")},
      {"no product element",
       Document("<Other><PerUserRoam><A type=\"integer\">1</A></PerUserRoam></Other>"),
       {},
       ""},
      {"two product elements in any case, the later value wins",
       Document("<Corvane_5><PerUserRoam><Misc><A type=\"integer\">1</A><B type=\"integer\">2</B>"
                "</Misc></PerUserRoam></Corvane_5><CORVANE_5><PerUserRoam><Misc>"
                "<A type=\"integer\">3</A></Misc></PerUserRoam></CORVANE_5>"),
       {"HKCU\\Misc: A = REG_DWORD 0x3", "HKCU\\Misc: B = REG_DWORD 0x2"},
       ""},
      {"values directly under PerMachine go to the machine's base key",
       Product("<PerMachine><A type=\"integer\">1</A><B type=\"string\">x</B><C "
               "type=\"boolean\">0</C></PerMachine>"),
       {"HKLM: A = REG_DWORD 0x1", "HKLM: B = REG_SZ x", "HKLM: C = REG_DWORD 0x0"},
       ""},
      {"an unknown scope name is per user",
       Product("<Everywhere><Misc><A type=\"integer\">1</A></Misc></Everywhere>"),
       {"HKCU\\Misc: A = REG_DWORD 0x1"},
       ""},
      {"Schedules is skipped, schedules is not",
       Product("<PerUserRoam><Schedules><A type=\"integer\">1</A></Schedules>"
               "<schedules><B type=\"integer\">2</B></schedules></PerUserRoam>"),
       {"HKCU\\$Unknown\\schedules: B = REG_DWORD 0x2"},
       ""},
      {"temporary and unknown categories are skipped",
       Product("<PerUserRoam><_0x24_Temp><A type=\"integer\">1</A></_0x24_Temp>"
               "<Old_0x24_Unknown_Items><B type=\"integer\">2</B></Old_0x24_Unknown_Items>"
               "<Misc><C type=\"integer\">3</C></Misc></PerUserRoam>"),
       {"HKCU\\Misc: C = REG_DWORD 0x3"},
       ""},
      {"comments at every level write nothing",
       Document("<!--a--><Corvane_5><!--b--><PerUserRoam><!--c--><Misc><!--d-->"
                "<A type=\"integer\">1</A><!--e--></Misc></PerUserRoam></Corvane_5>"),
       {"HKCU\\Misc: A = REG_DWORD 0x1"},
       ""},
      {"empty binary is written, rejected binary is not",
       Product("<PerUserRoam><Misc><Empty type=\"binary\"></Empty><Bad type=\"binary\">0A-1B-</Bad>"
               "<Odd type=\"binary\">0A1B2</Odd></Misc></PerUserRoam>"),
       {"HKCU\\Misc: Empty = REG_BINARY ", "HKCU\\Misc: Odd = REG_BINARY 0A1B"},
       ""},
      {"a category whose key cannot be opened, then the next one",
       Product("<PerUserRoam><" + long_name +
               "><A type=\"integer\">1</A><B type=\"integer\">2</B></" + long_name +
               "><Misc><C type=\"integer\">3</C></Misc></PerUserRoam>"),
       {"HKCU\\Misc: C = REG_DWORD 0x3"},
       Box("Corvane 5 OpenPref Error",
           "OpenPref Error: Unable to open Preferences.\r\n\r\nPrefLocation: Registry\r\n"
           "cfgDataScope: cfgPerUserRoam\r\nKey: " +
               std::string(kBase) + "\\$Unknown\\" + long_name + "\r\n\r\n")},
      {"a malformed document",
       "<?xml version=\"1.0\"?>\n<!DOCTYPE Corvane_5_Preferences>\n<Corvane_5_Preferences>\n"
       "  <Corvane_5></Corvane_6>\n</Corvane_5_Preferences>\n",
       {},
       Box("Register Corvane 5",
           kImportError + "\r\nOpening and ending tag mismatch: Corvane_5 line 4 and Corvane_6\r\n"
                          "Line: 4\r\n  <Corvane_5></Corvane_6>\r\n\r\nFilename: doc.xml")},
      {"a document without DOCTYPE",
       "<Corvane_5_Preferences><Corvane_5><PerUserRoam><A type=\"integer\">1</A></PerUserRoam>"
       "</Corvane_5></Corvane_5_Preferences>",
       {},
       Box("Register Corvane 5",
           kImportError +
               "\r\nThe document has no DOCTYPE declaration: a configuration document "
               "starts with <!DOCTYPE Corvane_5_Preferences>.\r\n\r\nFilename: doc.xml")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const ImportRun run = Import(c.document);
    EXPECT_EQ(run.values, c.values);
    EXPECT_EQ(run.boxes, c.boxes);
    EXPECT_EQ(run.exit_code, 0);
  }
}

TEST(ImportEndToEnd, CategoriesWithoutChildrenAndWithOnlyComments) {
  const TempDir folder;
  folder.Write("doc.xml",
               Product("<PerUserRoam><Misc/><Paths><!--nothing--></Paths></PerUserRoam>"));
  const std::string prefix = (folder.path() / "prefix").string();
  RunProgram({REGCORVEX_PROGRAM, "/IC", "doc.xml"}, {{"WINEPREFIX", prefix}},
             folder.path().string());
  auto registry = platform::OpenWinePrefixRegistry(prefix);
  const auto key = [&](const std::string& category) {
    return QueryRegistry(
        *registry, *ParseRegistryPath("HKCU\\" + std::string(kBase) + "\\" + category), false);
  };
  EXPECT_FALSE(key("Misc").has_value());
  EXPECT_TRUE(key("Paths").has_value());
}

TEST(ImportEndToEnd, ADamagedHiveIsReportedAndKeptAsItWas) {
  const TempDir folder;
  folder.Write("doc.xml",
               Product("<PerUserRoam><Misc><A type=\"integer\">1</A></Misc></PerUserRoam>"));
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

}  // namespace
}  // namespace regcorvex
