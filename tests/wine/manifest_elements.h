// The elements of an application manifest in document order, read with just enough XML (tags,
// attributes, namespaces, comments, the five predefined entities) to check what the loader sees.
// Anything else (CDATA, DOCTYPE, unbalanced tags) throws std::runtime_error.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace regcorvex::test {

struct ManifestElement {
  std::string path;  // local names from the root, "assembly/trustInfo/security"
  std::string ns;    // the element's namespace URI
  std::map<std::string, std::string> attributes;  // as written, namespace declarations included
  std::string text;  // its own character data, without surrounding white space
};

std::vector<ManifestElement> ManifestElements(const std::string& xml);

}  // namespace regcorvex::test
