// How the import sees the nodes of a configuration document: comments, text-only elements, and
// the names and texts of nodes as 8-bit strings in the ANSI code page.
#pragma once

#include <string>

#include "platform/xml_document.h"

namespace regcorvex {

// A node named "#comment" (compared as a wide name).
bool IsComment(platform::XmlDocument& document, platform::XmlNode node);

// An element whose child nodes are exactly one text node. An element without children, or whose
// only child is a CDATA section, is not text-only; nor is any node that is not an element.
bool IsTextOnly(platform::XmlDocument& document, platform::XmlNode node);

// The node's name in the ANSI code page ("?" for a character the code page lacks).
std::string NodeName(platform::XmlDocument& document, platform::XmlNode node);

// The text of a value element: its text when it is text-only, the empty text otherwise.
std::string ValueText(platform::XmlDocument& document, platform::XmlNode node);

// The "type" attribute of a value element, or the empty text when it has none.
std::string ValueType(platform::XmlDocument& document, platform::XmlNode node);

}  // namespace regcorvex
