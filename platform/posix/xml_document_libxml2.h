// The native XML DOM over libxml2. Load reads the file through the Wine prefix's drives and hands
// its bytes to ParseXmlDocument, which a caller holding a document in memory may use directly.
#pragma once

#include <memory>
#include <string_view>

#include "import/xml_document.h"

namespace regcorvex {

// A document parsed from bytes, as Load parses a file's contents. Throws XmlLoadError.
std::unique_ptr<XmlDocument> ParseXmlDocument(std::string_view bytes);

}  // namespace regcorvex
