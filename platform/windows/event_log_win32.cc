#include "platform/windows/event_log_win32.h"

#include <string>

#include "platform/code_page.h"
#include "platform/windows/win32.h"
#include "platform/windows/win32_handles.h"

namespace platform {
namespace {

constexpr wchar_t kSource[] = L"RegCorvex";

class Win32EventLog final : public EventLog {
 public:
  bool Report(bool error, const std::string& text) override {
    const UniqueEventSource source(::RegisterEventSourceW(nullptr, kSource));
    if (!source) return false;
    const std::u16string wide = AnsiToWide(text);
    const std::wstring message(wide.begin(), wide.end());
    LPCWSTR strings[] = {message.c_str()};
    return ::ReportEventW(source.get(), error ? EVENTLOG_ERROR_TYPE : EVENTLOG_WARNING_TYPE, 0,
                          kEventMessageId, nullptr, 1, 0, strings, nullptr) != FALSE;
  }
};

}  // namespace

EventLog& ApplicationEventLog() {
  static Win32EventLog log;
  return log;
}

}  // namespace platform
