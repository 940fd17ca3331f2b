// The ANSI code page of the running system, through the Win32 conversion and case functions.
#include "platform/code_page.h"
#include "platform/windows/win32.h"

namespace platform {

std::string CharUpperBuffA(std::string_view text) {
  std::string result(text);
  if (!result.empty()) ::CharUpperBuffA(result.data(), static_cast<DWORD>(result.size()));
  return result;
}

std::string CharLowerBuffA(std::string_view text) {
  std::string result(text);
  if (!result.empty()) ::CharLowerBuffA(result.data(), static_cast<DWORD>(result.size()));
  return result;
}

std::string WideToAnsi(std::u16string_view text) {
  if (text.empty()) return {};
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int length = static_cast<int>(text.size());
  const int needed = ::WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<size_t>(needed), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, wide, length, result.data(), needed, nullptr, nullptr);
  return result;
}

std::u16string AnsiToWide(std::string_view text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int needed = ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  std::u16string result(static_cast<size_t>(needed), u'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, reinterpret_cast<wchar_t*>(result.data()),
                        needed);
  return result;
}

bool IsDbcsLeadByte(char byte) { return ::IsDBCSLeadByte(static_cast<BYTE>(byte)) != FALSE; }

}  // namespace platform
