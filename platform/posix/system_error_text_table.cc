// Windows' texts for the errors that the native file functions give.
#include "platform/system_error_text.h"

namespace platform {

std::optional<std::string> SystemErrorText(Long error) {
  switch (error) {
    case kErrorAccessDenied:
      return "Access is denied.";
    case kErrorReadFault:
      return "The system cannot read from the specified device.";
    default:
      return std::nullopt;
  }
}

}  // namespace platform
