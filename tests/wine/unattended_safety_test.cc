// RegCorvex.exe where Wine forgives what Windows does not: an installer's window in the foreground
// that waits for the program, a version.dll left beside the program, a folder whose name the ANSI
// code page cannot spell, and a window station that nobody sees.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/message_box.h"
#include "platform/windows/event_log_win32.h"
#include "platform/windows/win32.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_platform.h"
#include "tests/wine/child_process.h"
#include "tests/wine/dialog_probe.h"
#include "tests/wine/watched_run.h"

namespace regcorvex::test {
namespace {

namespace fs = std::filesystem;

constexpr DWORD kRunMilliseconds = 120000;

// A program whose box took the installer's window as owner would be stuck until the watcher gave
// up on it.
TEST(UnattendedSafety, BoxesAreNotOwnedByAnotherProcessesForegroundWindow) {
  const TempDir folder;
  const fs::path document = folder.Write("doc.xml", "<Corvane_5_Preferences>");
  const WatchReport report = RunWatched(RegCorvexPath(), "/IC \"" + WindowsPath(document) + "\"",
                                        120, "", ForegroundParentPath());
  ASSERT_TRUE(report.exit_code.has_value()) << "the program waited for the installer's window";
  EXPECT_EQ(*report.exit_code, 0u);
  ASSERT_EQ(report.dialogs.size(), 1u);
  EXPECT_EQ(report.dialogs[0].caption, "Register Corvane 5");
  EXPECT_TRUE(report.dialogs[0].icon);
  EXPECT_EQ(report.dialogs[0].buttons, std::vector<std::string>{"OK"});
  EXPECT_EQ(report.dialogs[0].owner, "none");
}

fs::path CopyProgramTo(const fs::path& folder) {
  fs::create_directories(folder);
  const fs::path program = folder / L"RegCorvex.exe";
  fs::copy_file(LocalPath(REGCORVEX_EXE), program);
  return program;
}

// Wine prefers its own version.dll to a file of that name unless told otherwise, as Windows does
// not: the program runs with the file preferred, as on Windows.
TEST(UnattendedSafety, AVersionDllBesideTheProgramIsNotLoaded) {
  const TempDir folder;
  const fs::path program = CopyProgramTo(folder.path());
  fs::copy_file(LocalPath(PLANTED_VERSION_DLL), folder.path() / "version.dll");
  const fs::path marker = folder.path() / "planted-version-loaded";

  ASSERT_TRUE(::SetEnvironmentVariableA("WINEDLLOVERRIDES", "version=n,b"));
  const WatchReport report = RunWatched(WindowsPath(program), "", 120);
  ::SetEnvironmentVariableA("WINEDLLOVERRIDES", nullptr);
  EXPECT_EQ(report.exit_code, 0u);
  // The product name was read through the system's version.dll: no mismatch message.
  EXPECT_THAT(report.dialogs, ::testing::IsEmpty());
  EXPECT_FALSE(fs::exists(marker));
}

// The dialogs the process shows, answered; empty when it shows none.
std::vector<std::string> CaptionsOfDialogs(DWORD process_id) {
  std::vector<std::string> captions;
  for (HWND window : TopLevelWindows(process_id)) {
    if (WindowClass(window) != kDialogClass || !::IsWindowVisible(window)) continue;
    captions.push_back(WindowText(window) + ": " + ReadDialog(window, process_id).text);
    ::PostMessageA(window, WM_COMMAND, IDOK, 0);
  }
  return captions;
}

// Starts the program by a wide path and returns the dialogs it showed before it ended.
std::vector<std::string> RunByWidePath(const fs::path& program, const wchar_t* desktop = nullptr) {
  std::wstring command_line = L"\"" + program.wstring() + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.lpDesktop = const_cast<wchar_t*>(desktop);
  PROCESS_INFORMATION process = {};
  if (!::CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
    ADD_FAILURE() << "CreateProcessW failed with " << ::GetLastError();
    return {};
  }
  const UniqueWin32Handle thread(process.hThread);
  const UniqueWin32Handle handle(process.hProcess);
  std::vector<std::string> shown;
  const ULONGLONG deadline = ::GetTickCount64() + kRunMilliseconds;
  while (::WaitForSingleObject(handle.get(), 50) == WAIT_TIMEOUT) {
    for (std::string& caption : CaptionsOfDialogs(process.dwProcessId)) shown.push_back(caption);
    if (::GetTickCount64() > deadline) {
      ::TerminateProcess(handle.get(), 1);
      ADD_FAILURE() << "the program did not end";
      break;
    }
  }
  return shown;
}

TEST(UnattendedSafety, ReadsItsOwnVersionFromAFolderOutsideTheAnsiCodePage) {
  const TempDir folder;
  const fs::path program = CopyProgramTo(folder.path() / L"\u03A9\u043C\u0435\u0433\u0430 prefs");
  EXPECT_THAT(RunByWidePath(program), ::testing::IsEmpty());
}

// Under Wine, ReportEventW takes the entry (and keeps it nowhere).
TEST(UnattendedSafety, TheApplicationEventLogTakesEntries) {
  EXPECT_TRUE(platform::ApplicationEventLog().Report(true, "Caption\r\nFirst line\r\nsecond"));
  EXPECT_TRUE(platform::ApplicationEventLog().Report(false, "Register Corvane 5\r\ntext"));
}

// A window station of its own, without WSF_VISIBLE, with a desktop "Default" to start a program on.
class UnseenWindowStation {
 public:
  UnseenWindowStation() {
    station_ = ::CreateWindowStationW(kName, 0, WINSTA_ALL_ACCESS, nullptr);
    if (station_ == nullptr) return;
    const HWINSTA own = ::GetProcessWindowStation();
    ::SetProcessWindowStation(station_);
    desktop_ = ::CreateDesktopW(L"Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    ::SetProcessWindowStation(own);
  }
  ~UnseenWindowStation() {
    if (desktop_ != nullptr) ::CloseDesktop(desktop_);
    if (station_ != nullptr) ::CloseWindowStation(station_);
  }
  UnseenWindowStation(const UnseenWindowStation&) = delete;
  UnseenWindowStation& operator=(const UnseenWindowStation&) = delete;

  bool made() const { return desktop_ != nullptr; }
  static constexpr wchar_t kName[] = L"RegCorvexUnseen";

 private:
  HWINSTA station_ = nullptr;
  HDESK desktop_ = nullptr;
};

// A run on a window station nobody sees writes its boxes to the event log and ends by itself; on
// the visible one the same run shows them.
TEST(UnattendedSafety, ARunThatNobodySeesDoesNotWaitForItsBoxes) {
  const TempDir folder;
  fs::copy_file(LocalPath(REGCORVEX_MISMATCH_EXE), folder.path() / "mismatch.exe");
  EXPECT_THAT(RunByWidePath(folder.path() / "mismatch.exe"),
              ::testing::ElementsAre(::testing::StartsWith("Register Corvane 5: Error")));

  const UnseenWindowStation station;
  ASSERT_TRUE(station.made()) << ::GetLastError();
  EXPECT_THAT(RunByWidePath(folder.path() / "mismatch.exe", L"RegCorvexUnseen\\Default"),
              ::testing::IsEmpty());
}

}  // namespace
}  // namespace regcorvex::test
