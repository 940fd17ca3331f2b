// The Application event log through the source "RegCorvex" (RegisterEventSourceW, ReportEventW).
#pragma once

#include "platform/message_box.h"

namespace platform {

// The entries' event identifier: the one message of the program's message table
// (resources/event_messages.mc), whose text is the entry's one string. Event Viewer finds the
// table through the source's EventMessageFile, which an installer registers (README.md); without
// it the viewer wraps the string in a note that the event's description cannot be found.
inline constexpr Dword kEventMessageId = 1;

EventLog& ApplicationEventLog();

}  // namespace platform
