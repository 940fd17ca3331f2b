// The configuration import: loads one document, checks that it belongs to this product and walks
// it into the preference store. A document of another product and any error that ends the import
// are reported in a message box owned by the foreground window; nothing escapes to the caller.
#pragma once

#include <string>

#include "import/walk_receiver.h"
#include "platform/message_box.h"

namespace regcorvex {

void ImportConfiguration(const std::string& path, WalkReceiver& store,
                         platform::MessageBoxes& message_boxes);

}  // namespace regcorvex
