// A console gets the text through WriteConsoleW, which shows it whatever the console's code page;
// a redirected handle (a file, a pipe) gets the UTF-8 bytes.
#include <cstdio>
#include <string>

#include "platform/console.h"
#include "platform/windows/win32.h"

namespace platform {

bool WriteStandard(StandardStream stream, std::string_view utf8) {
  std::fflush(stream == StandardStream::kOutput ? stdout : stderr);
  const HANDLE handle =
      ::GetStdHandle(stream == StandardStream::kOutput ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  if (handle == INVALID_HANDLE_VALUE || handle == nullptr) return false;
  DWORD mode = 0;
  if (::GetConsoleMode(handle, &mode)) {
    const int size =
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                          size);
    DWORD written = 0;
    return ::WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written,
                           nullptr) &&
           written == wide.size();
  }
  DWORD written = 0;
  return ::WriteFile(handle, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr) &&
         written == utf8.size();
}

}  // namespace platform
