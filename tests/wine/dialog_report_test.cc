// The watcher's text report read back as written, and damaged reports refused.
#include "tests/wine/dialog_report.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace regcorvex::testing {
namespace {

TEST(DialogReportTest, ReadsBackWhatWasWritten) {
  const WatchReport reports[] = {
      {{}, {}, 0u},
      {{}, {}, std::nullopt},
      {{{"Register Corvane 5",
         "Error: RegCorvex ProductName must be Corvane 5",
         false,
         {"OK"},
         "application",
         true,
         {"TApplication", 0x180, false, "Register Corvane 5"}},
        {"Caption with = and: colon",
         "first\r\n\r\nthird\r\nlone\rCR and lone\nLF\r\n",
         true,
         {"&Yes", "No"},
         "other class=#32770 title=x y",
         false,
         {}},
        {"", "", false, {}, "none", false, {}}},
       {"class=Static title="},
       0xC0000005u},
  };
  for (const WatchReport& report : reports) {
    SCOPED_TRACE(FormatReport(report));
    EXPECT_EQ(ParseReport(FormatReport(report)), report);
  }
}

TEST(DialogReportTest, RefusesDamagedReports) {
  const char* const damaged[] = {
      "",
      "exit: 0",
      "exit: 0\nexit: 0\n",
      "dialog\ncaption: x\nicon: none\nowner: none\nforeground: 0\nappwindow: none\nexit: 0\n",
      "dialog\ncaption: x\nicon: maybe\nowner: none\nforeground: 0\nappwindow: none\nend\nexit: "
      "0\n",
      "dialog\ncaption: x\nicon: none\nowner: none\nforeground: 0\nappwindow: class=A\nend\n"
      "exit: 0\n",
      "something else\nexit: 0\n",
  };
  for (const char* text : damaged) {
    SCOPED_TRACE(text);
    EXPECT_THROW(ParseReport(text), std::runtime_error);
  }
}

}  // namespace
}  // namespace regcorvex::testing
