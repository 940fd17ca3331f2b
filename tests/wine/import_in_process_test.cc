// The import table run through the program's own run in this process, each row with the real
// registry and the real XML parser: the whole table costs one process start, which keeps it
// affordable where Wine runs emulated.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/import_cases.h"
#include "tests/support/temp_dir.h"
#include "tests/wine/import_expectations.h"
#include "tests/wine/in_process_run.h"
#include "tests/wine/watched_run.h"

namespace regcorvex::test {
namespace {

TEST(ImportInProcess, CarriesDocumentsIntoTheRegistryAsTheNativeProgramDoes) {
  platform::Registry& registry = platform::DefaultRegistry();
  for (const ImportCase& c : ImportCases()) {
    SCOPED_TRACE(c.label);
    RemoveProductKeys(registry);
    const TempDir folder;
    const std::string path = folder.Write("doc.xml", c.document).string();
    const std::string program = RegCorvexPath();
    const WatchReport report =
        RunInProcess(program, "\"" + program + "\" /IC \"" + path + "\"", folder.path().string());
    EXPECT_EQ(report.exit_code, 0u);
    ExpectImportCase(c, ProductValues(registry), report.dialogs, path, false);
  }
  RemoveProductKeys(registry);
}

}  // namespace
}  // namespace regcorvex::test
