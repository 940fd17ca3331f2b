#include "platform/system_error_text.h"

#include "platform/windows/win32.h"

namespace platform {

std::optional<std::string> SystemErrorText(Long error) {
  char text[1024];
  const DWORD length =
      ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                       static_cast<DWORD>(error), 0, text, sizeof(text), nullptr);
  std::string message(text, length);
  message.erase(message.find_last_not_of(" \r\n") + 1);
  if (message.empty()) return std::nullopt;
  return message;
}

}  // namespace platform
