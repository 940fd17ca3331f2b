// The children of a node as the import reads them, over a DOM that keeps each reference to one of
// the document's entities as a node holding its replacement (MSXML does): the nodes a reference
// stands for stand where it stands, adjacent texts are one text, and text that is only white
// space is no node, whatever xml:space said. A CDATA section stays a node of its own.
#pragma once

#include <string>
#include <vector>

#include "platform/xml_document.h"

namespace platform {

// What the listing reads of such a DOM.
class ReferenceKeepingDom {
 public:
  virtual XmlNodeType Type(XmlNode node) = 0;
  virtual std::vector<XmlNode> Children(XmlNode node) = 0;  // in document order
  virtual std::u16string Value(XmlNode text) = 0;

 protected:
  ~ReferenceKeepingDom() = default;
};

struct ResolvedChild {
  XmlNode node;         // for a text, its first text node
  std::u16string text;  // a text's whole text; empty for other nodes
};

std::vector<ResolvedChild> ResolvedChildren(ReferenceKeepingDom& dom, XmlNode node);

}  // namespace platform
