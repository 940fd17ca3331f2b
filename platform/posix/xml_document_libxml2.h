// The native XML DOM over libxml2. Load reads the file through the file system its parser was
// made with and parses its bytes as ParseXmlDocument does, which a caller holding a document in
// memory may use directly.
#pragma once

#include <memory>
#include <string_view>

#include "platform/xml_document.h"

namespace platform {

// A document parsed from bytes, as Load parses a file's contents. Throws XmlLoadError.
std::unique_ptr<XmlDocument> ParseXmlDocument(std::string_view bytes);

}  // namespace platform
