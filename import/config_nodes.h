// How the import sees the nodes of a configuration document: comments, text-only elements, and
// the names and texts of nodes as 8-bit strings in the ANSI code page.
#pragma once

#include <string>

#include "import/xml_document.h"

namespace regcorvex {

// A node named "#comment" (compared as a wide name).
bool IsComment(XmlDocument& document, XmlNode node);

// An element whose child nodes are exactly one text node. An element without children, or whose
// only child is a CDATA section, is not text-only; nor is any node that is not an element.
bool IsTextOnly(XmlDocument& document, XmlNode node);

// The node's name in the ANSI code page ("?" for a character the code page lacks).
std::string NodeName(XmlDocument& document, XmlNode node);

// The text of a value element: its text when it is text-only, the empty text otherwise.
std::string ValueText(XmlDocument& document, XmlNode node);

// The "type" attribute of a value element, or the empty text when it has none.
std::string ValueType(XmlDocument& document, XmlNode node);

}  // namespace regcorvex
