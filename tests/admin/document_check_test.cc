// The check of a document: a table of documents, each with the findings it must give (kind and
// element path), covering every kind; then positions, the report's forms and the exit codes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "admin/document_check.h"
#include "admin/report_output.h"
#include "import/import_walk.h"
#include "import/value_types.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_platform.h"

namespace regcorvex {
namespace {

using test::TempDir;
using test::WindowsPath;

std::string Document(const std::string& products) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE Corvane_5_Preferences>\n"
         "<Corvane_5_Preferences>" +
         products + "</Corvane_5_Preferences>\n";
}

// One scope element named PerUserRoam holding body, in one product element.
std::string InScope(const std::string& body) {
  return Document("<Corvane_5><PerUserRoam>" + body + "</PerUserRoam></Corvane_5>");
}

CheckReport Check(const std::string& text) {
  const TempDir folder;
  return CheckDocument(WindowsPath(folder.Write("doc.xml", text)));
}

// "kind path" of every finding, in order.
std::vector<std::string> Summary(const CheckReport& report) {
  std::vector<std::string> lines;
  for (const Finding& finding : report.findings) {
    lines.push_back(finding.kind + " " + finding.where.path);
  }
  return lines;
}

constexpr char kScope[] = "/Corvane_5_Preferences/Corvane_5/PerUserRoam";
const std::string kMisc = std::string(kScope) + "/Misc";

struct Case {
  const char* label;
  std::string document;
  std::vector<std::string> findings;
};

TEST(DocumentCheck, ReportsWhatTheImportPassesBySilently) {
  const Case cases[] = {
      {"a clean document",
       InScope("<!--fine--><Top type=\"integer\">0</Top><Misc><A type=\"integer\">-0x10</A>"
               "<B type=\"string\"></B><C type=\"boolean\">0</C><D type=\"binary\">0A 1B</D>"
               "<E type=\"binary\"></E></Misc>"),
       {}},
      {"values without a usable type",
       InScope("<Misc><A>1</A><B type=\"\">1</B><C type=\"Integer\">1</C><D type=\"number\">1</D>"
               "<!--a comment counts as a value, silently--></Misc>"),
       {"ignored-value " + kMisc + "/A", "ignored-value " + kMisc + "/B",
        "ignored-value " + kMisc + "/C", "ignored-value " + kMisc + "/D"}},
      {"integer texts read as 0",
       InScope("<Misc><A type=\"integer\">42 </A><B type=\"integer\">1F</B>"
               "<C type=\"integer\">2147483648</C><D type=\"integer\"></D>"
               "<E type=\"integer\">  -2147483648</E><F type=\"integer\">$FFFFFFFF</F></Misc>"),
       {"integer-text " + kMisc + "/A", "integer-text " + kMisc + "/B",
        "integer-text " + kMisc + "/C", "integer-text " + kMisc + "/D"}},
      {"boolean texts that are no integer",
       InScope("<Misc><A type=\"boolean\">true</A><B type=\"boolean\">-1</B>"
               "<C type=\"boolean\"></C></Misc>"),
       {"boolean-text " + kMisc + "/A", "boolean-text " + kMisc + "/C"}},
      {"binary texts rejected or odd",
       InScope("<Misc><A type=\"binary\">0A-1B-</A><B type=\"binary\">0A1B2</B>"
               "<C type=\"binary\">0A-1B</C><D type=\"binary\">0A_1B_FF</D></Misc>"),
       {"binary-text " + kMisc + "/A", "binary-text " + kMisc + "/B",
        "binary-text " + kMisc + "/C"}},
      {"CDATA and child elements in a value",
       InScope("<Misc><A type=\"integer\"><![CDATA[5]]></A><B type=\"string\"><i>x</i></B>"
               "</Misc>"),
       {"not-plain-text " + kMisc + "/A", "not-plain-text " + kMisc + "/B"}},
      {"characters outside the code page",
       InScope("<Misc><A type=\"string\">\xE2\x82\xAC \xE2\x98\x83</A><\xD0\x96 "
               "type=\"integer\">1</\xD0\x96></Misc>"),
       {"code-page " + kMisc + "/A", "code-page " + kMisc + "/\xD0\x96"}},
      {"a category below $Unknown, and one meant as a value",
       InScope("<Apperance><A type=\"integer\">1</A></Apperance><schedules><B "
               "type=\"integer\">1</B></schedules><X type=\"integer\"><![CDATA[1]]></X>"
               "<advoptions><C type=\"integer\">1</C></advoptions>"),
       {"unknown-category " + std::string(kScope) + "/Apperance",
        "unknown-category " + std::string(kScope) + "/schedules",
        "unknown-category " + std::string(kScope) + "/X",
        "skipped-node " + std::string(kScope) + "/X/#cdata-section"}},
      {"categories skipped by name, and empty ones",
       InScope("<Schedules><A type=\"integer\">1</A></Schedules><_0x24_Temp><A "
               "type=\"integer\">1</A></_0x24_Temp><Old_0x24_Unknown_Items><A "
               "type=\"integer\">1</A></Old_0x24_Unknown_Items><Misc/><Paths><!--x--></Paths>"
               "<Gone type=\"integer\"/>"),
       {"skipped-category " + std::string(kScope) + "/Schedules",
        "skipped-category " + std::string(kScope) + "/_0x24_Temp",
        "skipped-category " + std::string(kScope) + "/Old_0x24_Unknown_Items",
        "empty-category " + std::string(kScope) + "/Misc",
        "empty-category " + std::string(kScope) + "/Gone"}},
      {"unknown scope names",
       Document("<Corvane_5><perMachine><Misc><A type=\"integer\">1</A></Misc></perMachine>"
                "<PerUserNonRoam/><!--c--></Corvane_5>"),
       {"unknown-scope /Corvane_5_Preferences/Corvane_5/perMachine"}},
      {"elements skipped at the root and product level",
       Document("<!--c--><Version>5</Version><Corvane_4/><corvane_5><Note>x</Note></corvane_5>"),
       {"skipped-node /Corvane_5_Preferences/Version",
        "skipped-node /Corvane_5_Preferences/Corvane_4",
        "skipped-node /Corvane_5_Preferences/corvane_5/Note"}},
      {"no product element",
       Document("<Corvane_4><PerUserRoam/></Corvane_4>"),
       {"skipped-node /Corvane_5_Preferences/Corvane_4", "no-product /Corvane_5_Preferences"}},
      {"underscores the import turns into spaces where no space is plainly meant",
       InScope(
           "<Misc><A type=\"string\">D:\\Corvane_Backups</A>"
           "<B type=\"string\">_0x5B_x_0x5D_ Last Used</B><Last_Used type=\"integer\">1</Last_Used>"
           "<Two__Spaces type=\"integer\">1</Two__Spaces><_Lead type=\"integer\">1</_Lead>"
           "<Item_0x5B_1_0x5D_ type=\"integer\">1</Item_0x5B_1_0x5D_>"
           "<C type=\"binary\">0A_1B</C><D type=\"string\">_0x24_</D></Misc>"
           "<Mail_Server_><E type=\"integer\">1</E></Mail_Server_>"),
       {"underscore " + kMisc + "/A", "underscore " + kMisc + "/Two__Spaces",
        "underscore " + kMisc + "/_Lead", "underscore " + kMisc + "/D",
        "underscore " + std::string(kScope) + "/Mail_Server_",
        "unknown-category " + std::string(kScope) + "/Mail_Server_"}},
      {"another product's document",
       "<!DOCTYPE Xyz_4_Preferences><Xyz_4_Preferences><Corvane_5/></Xyz_4_Preferences>",
       {"identity /"}},
      {"no DOCTYPE", "<Corvane_5_Preferences><Corvane_5/></Corvane_5_Preferences>", {"identity /"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const CheckReport report = Check(c.document);
    EXPECT_EQ(Summary(report), c.findings);
    EXPECT_EQ(CheckExitCode(report), c.findings.empty() ? 0 : 1);
  }
}

TEST(DocumentCheck, NamesTheNearestNameAndTheConversionResult) {
  const CheckReport report =
      Check(InScope("<Apperance><A type=\"intger\">1</A><B type=\"Boolean\">1</B></Apperance>"));
  ASSERT_EQ(report.findings.size(), 3u);
  EXPECT_NE(report.findings[0].message.find("\"$Unknown\\Apperance\""), std::string::npos)
      << report.findings[0].message;
  EXPECT_NE(report.findings[0].message.find("nearest name: \"Appearance\""), std::string::npos);
  EXPECT_NE(report.findings[1].message.find("nearest: \"integer\""), std::string::npos)
      << report.findings[1].message;
  EXPECT_NE(report.findings[2].message.find("wrong case"), std::string::npos)
      << report.findings[2].message;
}

// The words of a finding come from the import's own rules: every scope and type name it accepts,
// every category it skips, and what an empty text writes.
TEST(DocumentCheck, SaysWhatAnUnderscoreBecomes) {
  const CheckReport report = Check(InScope("<Paths><A type=\"string\">D:\\C_B</A></Paths>"));
  ASSERT_EQ(report.findings.size(), 1u);
  const std::string& message = report.findings[0].message;
  EXPECT_NE(message.find("\"D:\\C_B\" is imported as \"D:\\C B\""), std::string::npos) << message;
  EXPECT_NE(message.find("Write a space where a space is meant"), std::string::npos) << message;
}

TEST(DocumentCheck, NamesTheImportsOwnRules) {
  std::string values;
  for (const ValueTypeRule& rule : kValueTypes) {
    values +=
        std::string("<V") + rule.name + " type=\"" + rule.name + "\"><x/></V" + rule.name + ">";
  }
  const CheckReport report = Check(
      Document("<Corvane_5><Elsewhere><Misc><A type=\"dword\">1</A>" + values +
               "</Misc><Schedules><A type=\"integer\">1</A></Schedules></Elsewhere></Corvane_5>"));
  ASSERT_EQ(report.findings.size(), 3 + kValueTypes.size());
  const auto expect_names = [](const Finding& finding, const std::vector<const char*>& names) {
    for (const char* name : names) {
      EXPECT_NE(finding.message.find(name), std::string::npos) << name << " in " << finding.message;
    }
  };
  std::vector<const char*> scopes, types;
  for (const DataScopeName& scope : DataScopeNames) scopes.push_back(scope.name);
  for (const ValueTypeRule& rule : kValueTypes) types.push_back(rule.name);
  std::vector<const char*> skipped(kSkippedCategoryNames.begin(), kSkippedCategoryNames.end());
  skipped.insert(skipped.end(), kSkippedCategoryMarks.begin(), kSkippedCategoryMarks.end());
  expect_names(report.findings[0], scopes);
  expect_names(report.findings[0], {GetDataScopeMeaning(kDefaultDataScope).c_str()});
  expect_names(report.findings[1], types);
  for (std::size_t i = 0; i < kValueTypes.size(); ++i) {
    EXPECT_EQ(report.findings[2 + i].kind, "not-plain-text");
    expect_names(report.findings[2 + i], {kValueTypes[i].empty_text_gives});
  }
  expect_names(report.findings.back(), skipped);
}

TEST(DocumentCheck, GivesLineAndColumnOfTheElement) {
  if (test::ParsedByMsxml()) GTEST_SKIP() << "MSXML keeps no positions";
  const CheckReport report = Check(
      "<?xml version=\"1.0\"?>\n<!DOCTYPE Corvane_5_Preferences [\n<!ENTITY e \"<Misc/>\">\n]>\n"
      "<Corvane_5_Preferences><Corvane_5>\n  <PerUserRoam>\n"
      "    <!-- <Misc> --><Misc/>  <Misc\n      a=\"1\"/>\n"
      "    <Paths><A type=\"integer\">x</A><A\n type=\"integer\">y</A></Paths>\n"
      "  </PerUserRoam>\n</Corvane_5></Corvane_5_Preferences>\n");
  ASSERT_EQ(report.findings.size(), 4u) << CheckText("doc.xml", report);
  const std::pair<int, int> expected[] = {{7, 20}, {7, 29}, {9, 12}, {9, 35}};
  for (std::size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(report.findings[i].where.path);
    const Location& where = report.findings[i].where;
    EXPECT_EQ(where.line == expected[i].first || where.line == expected[i].first + 1, true)
        << where.line;
    EXPECT_EQ(where.column, expected[i].second);
  }
}

TEST(DocumentCheck, ReportFormsAndTheDocumentThatCannotBeLoaded) {
  const CheckReport broken = Check("<?xml version=\"1.0\"?>\n<Corvane_5_Preferences>\n<a></b>\n");
  EXPECT_EQ(CheckExitCode(broken), 2);
  // Wine's MSXML gives a parse error no line; the report then names the file alone.
  if (test::ParsedByMsxml()) {
    EXPECT_EQ(broken.outcome.line, 0);
  } else {
    EXPECT_GT(broken.outcome.line, 0);
  }
  const std::string where =
      broken.outcome.line > 0 ? "doc.xml:" + std::to_string(broken.outcome.line) : "doc.xml";
  EXPECT_EQ(CheckText("doc.xml", broken).rfind(where + ": cannot be loaded: ", 0), 0u)
      << CheckText("doc.xml", broken);

  const CheckReport report = Check(InScope("<Misc><A type=\"boolean\">yes \"please\"</A></Misc>"));
  const std::string text = CheckText("doc.xml", report);
  EXPECT_NE(text.find(": boolean-text: " + kMisc + "/A: boolean text \"yes \\\"please\\\"\""),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("doc.xml: 1 finding\n"), std::string::npos) << text;
  const std::string json = CheckJson("doc.xml", report);
  EXPECT_NE(json.find("\"outcome\": \"walked\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"kind\": \"boolean-text\""), std::string::npos) << json;
  EXPECT_EQ(CheckText("doc.xml", Check(InScope(""))), "doc.xml: no findings\n");
}

}  // namespace
}  // namespace regcorvex
