// A document whose DTD gives each of many distinct elements a default attribute: the shape in
// which libxml2's own table of defaults grows slow and the Windows build's budget counts the most
// defaults for a document's size.
#pragma once

#include <string>

namespace regcorvex::test {

// elements elements V0, V1... under the root r, each with its number as text, each given the
// default type="integer" by its own attribute-list declaration.
inline std::string AttributeDefaultsDocument(int elements) {
  std::string subset, body;
  for (int i = 0; i < elements; ++i) {
    const std::string name = "V" + std::to_string(i);
    subset += "<!ATTLIST " + name + " type CDATA \"integer\">\n";
    body += "<" + name + ">" + std::to_string(i) + "</" + name + ">\n";
  }
  return "<?xml version=\"1.0\"?>\n<!DOCTYPE r [\n" + subset + "]>\n<r>" + body + "</r>\n";
}

}  // namespace regcorvex::test
