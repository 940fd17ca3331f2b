// What a run of the program on one row of the import table (tests/e2e/import_cases.h) must leave
// in the registry and show, checked the same way whether the program ran in a process of its own
// (its dialogs read off the screen) or in the test's process (its boxes recorded).
#pragma once

#include <string>
#include <vector>

#include "tests/e2e/import_cases.h"
#include "tests/wine/dialog_report.h"

namespace regcorvex::test {

// values: the product's values after the run under Wine; dialogs: what the user saw of each box; path: the
// document's path as the program was given it. A recorded box has no owner window to compare:
// with owners_known false the owners are not compared.
void ExpectImportCase(const ImportCase& row, const std::vector<std::string>& values,
                      const std::vector<Dialog>& dialogs, const std::string& path,
                      bool owners_known);

}  // namespace regcorvex::test
