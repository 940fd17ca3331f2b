// The process from start to end: COM, the hidden tool-window application, the main form and the
// message loop. Always returns the exit code 0; a failure that escapes the run is reported first.
#pragma once

#include "app/platform_services.h"

namespace regcorvex {

int RunApplication(PlatformServices& services);
// The same with the services make_services gives, made inside the run: a failure to make them is
// reported in the boxes that fallback_boxes gives, and nothing reaches std::terminate.
int RunApplication(PlatformServices (*make_services)(),
                   platform::MessageBoxes& (*fallback_boxes)() = platform::DefaultMessageBoxes);

}  // namespace regcorvex
