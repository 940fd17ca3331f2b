// The system's own text for a Win32 error, as FormatMessage gives it: what MSXML reports when it
// cannot open or read a document, and what the import reports in its place.
#pragma once

#include <optional>
#include <string>

#include "platform/win_types.h"

namespace platform {

// The text in the ANSI code page without its closing line break; none when the system has no
// text for error. The native build knows Windows' texts for the errors of its file functions.
std::optional<std::string> SystemErrorText(Long error);

}  // namespace platform
