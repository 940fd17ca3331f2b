// The boxes of a run that nobody sees: every message goes to the event log, with its caption, and
// the run goes on as if OK had been pressed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/message_box.h"

namespace regcorvex {
namespace {

struct Entry {
  bool error;
  std::string text;
  bool operator==(const Entry&) const = default;
};

class RecordingEventLog final : public platform::EventLog {
 public:
  bool Report(bool error, const std::string& text) override {
    entries.push_back({error, text});
    return accepts;
  }

  std::vector<Entry> entries;
  bool accepts = true;
};

TEST(UnseenBoxesTest, WriteEveryMessageToTheEventLogAndAnswerOk) {
  for (const bool accepts : {true, false}) {
    SCOPED_TRACE(accepts ? "the log takes the entries" : "the log refuses them");
    RecordingEventLog log;
    log.accepts = accepts;
    const auto boxes = platform::UnseenMessageBoxes(log);
    EXPECT_EQ(boxes->OwnForegroundWindow(), platform::kNoWindow);
    EXPECT_EQ(boxes->MessageBoxA(
                  platform::Hwnd{7}, "Could not import\r\nFilename: a.xml", "Register Corvane 5",
                  platform::kMbOk | platform::kMbIconError | platform::kMbSetForeground),
              platform::kIdOk);
    EXPECT_EQ(boxes->MessageBoxA(platform::kNoWindow, "Note", "Caption", platform::kMbOk),
              platform::kIdOk);
    boxes->ShowMessageDialog(platform::Hwnd{7}, "Error: RegCorvex ProductName must be Corvane 5",
                             "Register Corvane 5");
    EXPECT_THAT(
        log.entries,
        ::testing::ElementsAre(
            Entry{true, "Register Corvane 5\r\nCould not import\r\nFilename: a.xml"},
            Entry{false, "Caption\r\nNote"},
            Entry{false, "Register Corvane 5\r\nError: RegCorvex ProductName must be Corvane 5"}));
  }
}

// Session 0 holds only services since Windows Vista: a program there is unseen even on a visible
// window station. Before, it was the console's session.
TEST(UnseenBoxesTest, WhoSeesTheDialogs) {
  const struct {
    const char* label;
    platform::DesktopView view;
    bool seen;
  } cases[] = {
      {"a user's session", {true, 1, true}, true},
      {"session 0 since Vista", {true, 0, true}, false},
      {"session 0 before Vista", {true, 0, false}, true},
      {"an invisible window station", {false, 1, true}, false},
      {"an invisible window station before Vista", {false, 0, false}, false},
      {"an unknown session", {true, std::nullopt, true}, true},
  };
  for (const auto& row : cases) {
    EXPECT_EQ(platform::SomeoneSeesDialogs(row.view), row.seen) << row.label;
  }
}

}  // namespace
}  // namespace regcorvex
