// dialog_watcher.exe against dialog_fixture.exe, whose dialogs come from the program's own
// platform layer: what the watcher reads is what the fixture showed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/wine/watched_run.h"

namespace regcorvex::test {
namespace {

using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

const Dialog kMessageDialog =
    ShownDialog("Register Corvane 5", "First line\r\nsecond line", false, {"OK"}, "application");
// An error box owned by the foreground window: none in a process that has shown nothing yet, the
// application window once a dialog owned by it has closed.
Dialog ErrorBox(const char* owner) {
  return ShownDialog("Fixture box", "Failed: C:\\x\\y.xml", true, {"OK"}, owner);
}

struct FixtureCase {
  const char* label;
  const char* actions;
  std::vector<Dialog> dialogs;
  std::vector<std::string> windows;
};

const FixtureCase kFixtureCases[] = {
    {"nothing shown", "", {}, {}},
    {"task dialog owned by the application window", "dialog", {kMessageDialog}, {}},
    {"message box with icon", "box", {ErrorBox("none")}, {}},
    {"dialogs in the order shown", "dialog box", {kMessageDialog, ErrorBox("application")}, {}},
    {"a window that is no dialog", "window", {}, {"class=Static title=Fixture window"}},
};

TEST(DialogWatcherTest, ReportsWhatTheFixtureShowed) {
  for (const FixtureCase& row : kFixtureCases) {
    SCOPED_TRACE(row.label);
    const WatchReport report = RunWatched(DialogFixturePath(), row.actions);
    EXPECT_THAT(AsSeenByUser(report), ElementsAreArray(row.dialogs));
    EXPECT_THAT(report.windows, ElementsAreArray(row.windows));
    EXPECT_EQ(report.exit_code, 7u);
  }
}

TEST(DialogWatcherTest, ReadsTheApplicationWindowBehindADialog) {
  const WatchReport report = RunWatched(DialogFixturePath(), "dialog");
  ASSERT_EQ(report.dialogs.size(), 1u);
  const AppWindow& window = report.dialogs[0].app_window;
  EXPECT_EQ(window.class_name, "TApplication");
  EXPECT_EQ(window.title, "Register Corvane 5");
  EXPECT_EQ(window.ex_style & 0x80u, 0x80u) << "WS_EX_TOOLWINDOW";
  EXPECT_FALSE(window.visible);
  EXPECT_TRUE(report.dialogs[0].foreground);
  EXPECT_TRUE(report.dialogs[0].centred);
}

TEST(DialogWatcherTest, PassesTheCommandLineThroughAsTyped) {
  const std::string parameters = R"(echo  /IC "My Prefs.xml"  /ip C:\a b\ "")";
  const WatchReport report = RunWatched(DialogFixturePath(), parameters);
  ASSERT_EQ(report.dialogs.size(), 1u);
  std::string command_line = "\"";
  command_line += DialogFixturePath();
  command_line += "\" ";
  command_line += parameters;
  EXPECT_EQ(report.dialogs[0].text, command_line);
  EXPECT_EQ(report.dialogs[0].owner, "none");
  EXPECT_FALSE(report.dialogs[0].icon);
}

TEST(DialogWatcherTest, GivesUpOnAProgramThatDoesNotEnd) {
  const WatchReport report = RunWatched(DialogFixturePath(), "hang", 1);
  EXPECT_FALSE(report.exit_code.has_value());
  EXPECT_THAT(report.dialogs, IsEmpty());
}

}  // namespace
}  // namespace regcorvex::test
