#include "tests/wine/import_expectations.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/wine/watched_run.h"

namespace regcorvex::test {
namespace {

constexpr char kImportError[] =
    "Could not import the program configuration due to the following error:\r\n";

// The owner of a box: the store's open failure belongs to the application window; the import's
// boxes to the program's own foreground window, which is none while it shows nothing else.
std::string OwnerOf(const ExpectedBox& box) {
  return box.caption == "Corvane 5 OpenPref Error" ? "application" : "none";
}

}  // namespace

void ExpectImportCase(const ImportCase& row, const std::vector<std::string>& values,
                      const std::vector<Dialog>& dialogs, const std::string& path,
                      bool owners_known) {
  EXPECT_EQ(values, row.values_under_wine.value_or(row.values));
  ASSERT_EQ(dialogs.size(), row.boxes.size());
  for (size_t i = 0; i < row.boxes.size(); ++i) {
    std::string text = row.boxes[i].text;
    if (const size_t at = text.find("{path}"); at != std::string::npos) text.replace(at, 6, path);
    const Dialog& shown = dialogs[i];
    if (row.quotes_parser) {
      // MSXML words its reasons differently from libxml2 (and Wine's gives no line): only the
      // frame of the message is the program's own.
      EXPECT_THAT(shown.text, ::testing::StartsWith(kImportError));
      EXPECT_THAT(shown.text, ::testing::EndsWith("\r\n\r\nFilename: " + path));
      EXPECT_EQ(shown.caption, row.boxes[i].caption);
    } else {
      EXPECT_EQ(shown, ShownDialog(row.boxes[i].caption, text, true, {"OK"},
                                   owners_known ? OwnerOf(row.boxes[i]) : shown.owner));
    }
  }
}

}  // namespace regcorvex::test
