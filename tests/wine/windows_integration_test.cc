// What Windows asks of the programs beyond Wine's defaults: the event log's message table, the
// Remote Desktop awareness of the executables, and a document that another program holds open.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/system_error_text.h"
#include "platform/windows/event_log_win32.h"
#include "platform/windows/win32.h"
#include "platform/windows/win32_handles.h"
#include "tests/e2e/import_cases.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_platform.h"
#include "tests/wine/watched_run.h"

namespace regcorvex::test {
namespace {

// Event Viewer formats an entry with the source's message file as this does: the entry's string
// must come back as it is, a percent sign, line breaks and all, with nothing added.
TEST(WindowsIntegration, TheMessageTableGivesTheEntryItself) {
  const platform::UniqueModule program(::LoadLibraryExW(LocalPath(REGCORVEX_EXE).wstring().c_str(),
                                                        nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(program) << "LoadLibraryExW failed with " << ::GetLastError();
  const std::wstring entry = L"Register Corvane 5\r\n50% of %1 done\r\nsecond line";
  const DWORD_PTR strings[] = {reinterpret_cast<DWORD_PTR>(entry.c_str())};
  wchar_t text[256];
  const DWORD length =
      ::FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, program.get(),
                       platform::kEventMessageId, 0, text, static_cast<DWORD>(std::size(text)),
                       reinterpret_cast<va_list*>(const_cast<DWORD_PTR*>(strings)));
  ASSERT_NE(length, 0u) << "no message " << platform::kEventMessageId << ": error "
                        << ::GetLastError();
  EXPECT_EQ(std::wstring(text, length), entry);
}

// The optional header's DllCharacteristics of the executable at path, which sits at the same
// place in PE32 and PE32+ files.
WORD DllCharacteristicsOf(const std::string& path) {
  std::ifstream file(LocalPath(path), std::ios::binary);
  const std::vector<char> image{std::istreambuf_iterator<char>(file), {}};
  IMAGE_DOS_HEADER dos;
  if (image.size() < sizeof(dos)) return 0;
  std::memcpy(&dos, image.data(), sizeof(dos));
  static_assert(offsetof(IMAGE_OPTIONAL_HEADER32, DllCharacteristics) ==
                offsetof(IMAGE_OPTIONAL_HEADER64, DllCharacteristics));
  const std::size_t at = static_cast<std::size_t>(dos.e_lfanew) + sizeof(DWORD) +
                         sizeof(IMAGE_FILE_HEADER) +
                         offsetof(IMAGE_OPTIONAL_HEADER32, DllCharacteristics);
  WORD characteristics = 0;
  if (image.size() < at + sizeof(characteristics)) return 0;
  std::memcpy(&characteristics, image.data() + at, sizeof(characteristics));
  return characteristics;
}

// Without the flag, Windows gives a program in a Remote Desktop session compatibility
// adjustments, among them copies of HKLM values into its HKCU.
TEST(WindowsIntegration, TheProgramsAreAwareOfRemoteDesktopSessions) {
  for (const std::string& program :
       {std::string(REGCORVEX_EXE), std::string(REGCORVEX_ADMIN_EXE)}) {
    EXPECT_NE(DllCharacteristicsOf(program) & IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE, 0)
        << program;
  }
}

// Another program's handle on the document, as an editor or a sync client holds it. (A lock on
// its bytes stops the read on Windows with ERROR_LOCK_VIOLATION; Wine does not enforce such locks.)
struct Holder {
  const char* label;
  DWORD access;
  DWORD share;
  platform::Long error;  // what stops the import, whose message gives its system text
};

TEST(WindowsIntegration, ADocumentHeldOpenIsImportedUnlessItsHolderForbidsReading) {
  const Holder holders[] = {
      {"an editor that writes it", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
       ERROR_SUCCESS},
      {"a holder that may delete or rename it", GENERIC_READ | GENERIC_WRITE | DELETE,
       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, ERROR_SUCCESS},
      {"a holder that shares nothing", GENERIC_READ, 0, ERROR_SHARING_VIOLATION},
  };
  platform::Registry& registry = platform::DefaultRegistry();
  for (const Holder& holder : holders) {
    SCOPED_TRACE(holder.label);
    RemoveProductKeys(registry);
    const TempDir folder;
    const std::string path =
        WindowsPath(folder.Write("held.xml", ProductDocument("<PerUserRoam><Misc>"
                                                             "<A type=\"integer\">3</A>"
                                                             "</Misc></PerUserRoam>")));
    const platform::UniqueFileHandle held(::CreateFileA(path.c_str(), holder.access, holder.share,
                                                        nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held) << "CreateFileA failed with " << ::GetLastError();

    const WatchReport report = RunWatched(RegCorvexPath(), "/IC \"" + path + "\"", 120);
    EXPECT_EQ(report.exit_code, 0u);
    if (holder.error == ERROR_SUCCESS) {
      EXPECT_THAT(report.dialogs, ::testing::IsEmpty());
      EXPECT_THAT(ProductValues(registry), ::testing::ElementsAre("HKCU\\Misc: A = REG_DWORD 0x3"));
    } else {
      const std::optional<std::string> reason = platform::SystemErrorText(holder.error);
      ASSERT_TRUE(reason.has_value());
      ASSERT_EQ(report.dialogs.size(), 1u);
      EXPECT_THAT(report.dialogs[0].text,
                  ::testing::HasSubstr("error:\r\n" + *reason + "\r\nLine: 0"));
      EXPECT_THAT(ProductValues(registry), ::testing::IsEmpty());
    }
  }
  RemoveProductKeys(registry);
}

}  // namespace
}  // namespace regcorvex::test
