// The companion's text on a Windows console: written as wide characters, so that the console
// shows characters its code page lacks; a redirected handle gets the UTF-8 bytes.
#include <gtest/gtest.h>

#include <string>

#include "platform/console.h"
#include "platform/windows/win32.h"

namespace regcorvex::test {
namespace {

// "é€中 ok" in UTF-8: Latin-1, code page 1252 only, and a character of neither.
constexpr char kText[] = "\xC3\xA9\xE2\x82\xAC\xE4\xB8\xAD ok";

// Gives the process a console of its own for the test, and its standard handles back afterwards.
class OwnConsole {
 public:
  OwnConsole() : saved_(::GetStdHandle(STD_OUTPUT_HANDLE)) {
    ::FreeConsole();
    created_ = ::AllocConsole() != FALSE;
  }
  ~OwnConsole() {
    ::FreeConsole();
    ::SetStdHandle(STD_OUTPUT_HANDLE, saved_);
  }
  OwnConsole(const OwnConsole&) = delete;
  OwnConsole& operator=(const OwnConsole&) = delete;
  bool created() const { return created_; }

 private:
  HANDLE saved_;
  bool created_ = false;
};

TEST(Console, ShowsEveryCharacterOnAConsole) {
  const OwnConsole console;
  ASSERT_TRUE(console.created());
  const HANDLE output =
      ::CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(output, INVALID_HANDLE_VALUE);
  ::SetStdHandle(STD_OUTPUT_HANDLE, output);
  CONSOLE_SCREEN_BUFFER_INFO before;
  ASSERT_TRUE(::GetConsoleScreenBufferInfo(output, &before));
  ASSERT_TRUE(platform::WriteStandard(platform::StandardStream::kOutput, kText));
  wchar_t shown[6] = {};
  DWORD read = 0;
  ASSERT_TRUE(::ReadConsoleOutputCharacterW(output, shown, 6, before.dwCursorPosition, &read));
  EXPECT_EQ(std::wstring(shown, read), L"\u00e9\u20ac\u4e2d ok");
  ::CloseHandle(output);
}

TEST(Console, GivesAPipeTheUtf8Bytes) {
  HANDLE read_end = nullptr, write_end = nullptr;
  ASSERT_TRUE(::CreatePipe(&read_end, &write_end, nullptr, 0));
  const HANDLE saved = ::GetStdHandle(STD_ERROR_HANDLE);
  ::SetStdHandle(STD_ERROR_HANDLE, write_end);
  const bool written = platform::WriteStandard(platform::StandardStream::kError, kText);
  ::SetStdHandle(STD_ERROR_HANDLE, saved);
  ::CloseHandle(write_end);
  char bytes[64];
  DWORD count = 0;
  ::ReadFile(read_end, bytes, sizeof bytes, &count, nullptr);
  ::CloseHandle(read_end);
  EXPECT_TRUE(written);
  EXPECT_EQ(std::string(bytes, count), kText);
}

}  // namespace
}  // namespace regcorvex::test
