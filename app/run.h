// The process from start to end: COM, the hidden tool-window application, the main form and the
// message loop. Always returns the exit code 0; a failure that escapes the run is reported first.
#pragma once

#include "app/platform_services.h"

namespace regcorvex {

int RunApplication(PlatformServices& services);

}  // namespace regcorvex
