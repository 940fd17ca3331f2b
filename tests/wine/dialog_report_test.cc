// The watcher's text report read back as written, and damaged reports refused.
#include "tests/wine/dialog_report.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace regcorvex::test {
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
         true,
         {"TApplication", 0x180, false, "Register Corvane 5"}},
        {"Caption with = and: colon",
         "first\r\n\r\nthird\r\nlone\rCR and lone\nLF\r\n",
         true,
         {"&Yes", "No"},
         "other class=#32770 title=x y",
         false,
         false,
         {}},
        {"", "", false, {}, "none", false, false, {}}},
       {"class=Static title="},
       0xC0000005u},
  };
  for (const WatchReport& report : reports) {
    SCOPED_TRACE(FormatReport(report));
    EXPECT_EQ(ParseReport(FormatReport(report)), report);
  }
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  return text.replace(text.find(from), from.size(), to);
}

TEST(DialogReportTest, RefusesDamagedReports) {
  const std::string valid =
      "dialog\ncaption: x\nicon: none\nowner: none\nforeground: 0\ncentred: 0\n"
      "appwindow: none\nend\nexit: 0\n";
  ASSERT_NO_THROW(ParseReport(valid));
  const std::string damaged[] = {
      "",
      "exit: 0",
      "exit: 0\nexit: 0\n",
      "something else\nexit: 0\n",
      Replaced(valid, "end\n", ""),
      Replaced(valid, "icon: none", "icon: maybe"),
      Replaced(valid, "centred: 0\n", ""),
      Replaced(valid, "appwindow: none", "appwindow: class=A"),
      valid + valid,
  };
  for (const std::string& text : damaged) {
    SCOPED_TRACE(text);
    EXPECT_THROW(ParseReport(text), std::runtime_error);
  }
}

}  // namespace
}  // namespace regcorvex::test
