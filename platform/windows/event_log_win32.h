// The Application event log through the source "RegCorvex" (RegisterEventSourceW, ReportEventW).
#pragma once

#include "platform/message_box.h"

namespace platform {

EventLog& ApplicationEventLog();

}  // namespace platform
