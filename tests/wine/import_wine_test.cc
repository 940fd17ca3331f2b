// RegCorvex.exe under Wine on the documents of the native end-to-end table: the same values must
// land in Wine's registry and the same boxes must be shown, with the error icon and one OK button.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/command_line_rows.h"
#include "tests/e2e/import_cases.h"
#include "tests/support/temp_dir.h"
#include "tests/wine/import_expectations.h"
#include "tests/wine/watched_run.h"

namespace regcorvex::test {
namespace {

struct WineRun {
  std::vector<std::string> values;
  std::vector<Dialog> dialogs;
  std::string path;
};

WineRun Import(const std::string& program, const std::string& document) {
  platform::Registry& registry = platform::DefaultRegistry();
  RemoveProductKeys(registry);
  const TempDir folder;
  const std::string path = folder.Write("doc.xml", document).string();
  const WatchReport report = RunWatched(program, "/IC \"" + path + "\"", 300);
  EXPECT_EQ(report.exit_code, 0u);
  WineRun run{ProductValues(registry), AsSeenByUser(report), path};
  RemoveProductKeys(registry);
  return run;
}

TEST(ImportUnderWine, CarriesDocumentsIntoTheRegistryAsTheNativeProgramDoes) {
  for (const ImportCase& c : ImportCases()) {
    SCOPED_TRACE(c.label);
    const WineRun run = Import(RegCorvexPath(), c.document);
    ExpectImportCase(c, run.values, run.dialogs, run.path, true);
  }
}

TEST(ImportUnderWine, LooksForTheDocumentWhereTheCommandLineSays) {
  platform::Registry& registry = platform::DefaultRegistry();
  for (const CommandLineRow& row : CommandLineRows()) {
    SCOPED_TRACE(row.label);
    const TempDir folder;
    const std::filesystem::path tree = folder.path() / "tree";
    WriteCommandLineTree(tree);
    RemoveProductKeys(registry);
    const WatchReport report =
        RunWatched(RegCorvexPath(), WineCommandLineTail(ExpandTree(row.arguments, tree.string())),
                   300, TreeFolder(tree, row.folder).string());
    EXPECT_EQ(report.exit_code, 0u);
    EXPECT_EQ(ProductValues(registry), row.values);
    const std::vector<Dialog> shown = AsSeenByUser(report);
    ASSERT_EQ(shown.size(), row.boxes.size());
    for (size_t i = 0; i < shown.size(); ++i) {
      EXPECT_EQ(shown[i].caption, row.boxes[i].caption);
      EXPECT_EQ(shown[i].text, ExpandTree({row.boxes[i].text}, tree.string())[0]);
    }
    RemoveProductKeys(registry);
  }
}

TEST(ImportUnderWine, ImportsOneHundredThousandValues) {
  constexpr int kCount = 100000;
  const WineRun run = Import(RegCorvexPath(), LargeDocument(kCount));
  EXPECT_TRUE(run.dialogs.empty());
  ASSERT_EQ(run.values.size(), static_cast<size_t>(kCount));
  EXPECT_EQ(run.values.front(), "HKCU\\$Unknown\\Bulk 0: V0 = REG_DWORD 0x0");
  EXPECT_EQ(run.values.back(), "HKLM\\$Unknown\\Bulk 9: V99959 = REG_DWORD 0x18677");
}

TEST(ImportUnderWine, AProductNameMismatchIsShownFirstAndTheImportStillRuns) {
  const WineRun run =
      Import(RegCorvexMismatchPath(),
             ProductDocument("<PerUserRoam><A type=\"integer\">1</A></PerUserRoam>"));
  ASSERT_EQ(run.dialogs.size(), 1u);
  EXPECT_EQ(run.dialogs[0],
            ShownDialog("Register Corvane 5", "Error: RegCorvex ProductName must be Corvane 5",
                        false, {"OK"}, "application"));
  EXPECT_EQ(run.values, std::vector<std::string>{"HKCU: A = REG_DWORD 0x1"});
}

}  // namespace
}  // namespace regcorvex::test
