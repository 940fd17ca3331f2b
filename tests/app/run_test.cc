// The start and stop sequence of a run, recorded through a stand-in application.
#include "app/run.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/fake_file_system.h"
#include "tests/support/memory_registry.h"
#include "tests/support/recording_message_boxes.h"

namespace regcorvex {
namespace {

using test::FakeFileSystem;
using test::RecordingMessageBoxes;

constexpr platform::Hwnd kWindow{7};
constexpr platform::Long kStyleBefore = 0x100;

// Records every call in order; the window's extended style starts as kStyleBefore.
class RecordingApplication final : public platform::Application {
 public:
  bool CoInitialize() override {
    Record("CoInitialize");
    return true;
  }
  void CoUninitialize() override { Record("CoUninitialize"); }
  platform::Hwnd Handle() override { return kWindow; }
  void SetTitle(const std::string& title) override { Record("SetTitle " + title); }
  platform::Long GetWindowLongA(platform::Hwnd window, int index) override {
    Record("GetWindowLongA " + std::to_string(index));
    return window == kWindow && index == platform::kGwlExStyle ? style_ : 0;
  }
  platform::Long SetWindowLongA(platform::Hwnd, int index, platform::Long value) override {
    Record("SetWindowLongA " + std::to_string(index) + " " + std::to_string(value));
    return std::exchange(style_, value);
  }
  void PostQuitMessage(int exit_code) override {
    Record("PostQuitMessage " + std::to_string(exit_code));
  }
  void RunMessageLoop() override { Record("RunMessageLoop"); }

  std::vector<std::string> calls;

 private:
  void Record(const std::string& call) { calls.push_back(call); }
  platform::Long style_ = kStyleBefore;
};

// A file system whose every query fails unexpectedly.
class BrokenFileSystem final : public platform::FileSystem {
 public:
  platform::Dword GetFullPathNameA(const char*, platform::Dword, char*) override { return Fail(); }
  platform::Dword GetFileAttributesA(const char*) override { return Fail(); }
  platform::Dword GetLastError() override { return Fail(); }
  bool FindFirstFileA(const char*, platform::FindData*) override { return Fail() != 0; }
  platform::Long ReadWholeFile(const char*, std::string*) override {
    return static_cast<platform::Long>(Fail());
  }

 private:
  static platform::Dword Fail() { throw std::runtime_error("the disk went away"); }
};

struct RunResult {
  int exit_code;
  std::vector<std::string> calls;
  std::vector<test::RecordedBox> boxes;
};

RunResult RunWith(platform::FileSystem& files, const std::string& command_line,
                  const std::string& save_failure = "") {
  RecordingApplication application;
  RecordingMessageBoxes boxes;
  test::MemoryRegistry registry;
  registry.FailPersist(save_failure);
  PlatformServices services{application,
                            boxes,
                            files,
                            registry,
                            platform::DefaultVersionApi(),
                            platform::DefaultXmlParser(),
                            command_line};
  const int exit_code = RunApplication(services);
  return {exit_code, application.calls, boxes.boxes};
}

// Every run, whatever happens inside it: COM, title, tool-window style, quit request, message
// loop, the style read at the start written back, COM released.
const std::vector<std::string> kSequence = {
    "CoInitialize",
    "SetTitle Register Corvane 5",
    "GetWindowLongA -20",
    "SetWindowLongA -20 " + std::to_string(kStyleBefore | platform::kWsExToolWindow),
    "PostQuitMessage 0",
    "RunMessageLoop",
    "SetWindowLongA -20 " + std::to_string(kStyleBefore),
    "CoUninitialize"};

TEST(RunTest, TheSequenceOfAQuietRun) {
  FakeFileSystem files;
  const RunResult run = RunWith(files, "RegCorvex.exe /IC missing.xml");
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.calls, kSequence);
}

TEST(RunTest, AnUnexpectedFailureIsReportedAndTheRunStillEnds) {
  BrokenFileSystem files;
  const RunResult run = RunWith(files, "RegCorvex.exe /IC prefs.xml");
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.calls, kSequence);
  const auto failures = std::count_if(run.boxes.begin(), run.boxes.end(), [](const auto& box) {
    return box.caption == "Register Corvane 5" &&
           box.text == "The run ended because of an unexpected error:\r\nthe disk went away";
  });
  EXPECT_EQ(failures, 1);
}

// The registry's save at the end of the run is its last word: when it fails, the one box says
// what was saved and what was not, after the message loop has ended.
TEST(RunTest, AFailedSaveOfTheRegistryIsReportedOnce) {
  FakeFileSystem files;
  const std::string failure =
      "The registry file /p/system.reg could not be saved: No space left on device. It keeps its "
      "previous contents.\r\nThe registry file /p/user.reg was saved: the values of this run "
      "that belong there are in it.";
  const RunResult run = RunWith(files, "RegCorvex.exe /IC missing.xml", failure);
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.calls, kSequence);
  ASSERT_EQ(run.boxes.size(), 1u);
  EXPECT_EQ(run.boxes[0].caption, "Register Corvane 5");
  EXPECT_EQ(run.boxes[0].text, "The run ended because of an unexpected error:\r\n" + failure);
  EXPECT_EQ(run.boxes[0].type,
            platform::kMbOk | platform::kMbIconError | platform::kMbSetForeground);
}

// The platform's services are made inside the run: a failure there is reported like any other,
// and a report that fails as well still lets the process end with 0 instead of std::terminate.
TEST(RunTest, AFailureToMakeThePlatformServicesIsReported) {
  static RecordingMessageBoxes fallback;
  const auto no_services = []() -> PlatformServices {
    throw std::runtime_error("no window station");
  };
  EXPECT_EQ(RunApplication(no_services, []() -> platform::MessageBoxes& { return fallback; }), 0);
  ASSERT_EQ(fallback.boxes.size(), 1u);
  EXPECT_EQ(fallback.boxes[0].caption, "Register Corvane 5");
  EXPECT_EQ(fallback.boxes[0].text,
            "The run ended because of an unexpected error:\r\nno window station");

  const auto no_boxes = []() -> platform::MessageBoxes& {
    throw std::runtime_error("no boxes either");
  };
  EXPECT_EQ(RunApplication(no_services, no_boxes), 0);
}

}  // namespace
}  // namespace regcorvex
