// Where the elements of a parsed document start in its source text, to the column: libxml2 keeps
// only the line of an element. The start tags are read from the source in document order and
// matched to the elements by name and line; an element without a matching tag (one that an
// entity reference brought in, or a document in UTF-16) has no column.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// An element as the parse gave it: its qualified name (UTF-8) and the line libxml2 gives it.
struct ElementLine {
  std::string name;
  int line;
};

// The column (from 1, in characters) of the start tag of each of elements, given in document
// order, in source, the bytes libxml2 parsed; 0 for an element whose tag was not found.
std::vector<int> StartTagColumns(const std::vector<ElementLine>& elements, std::string_view source);

}  // namespace platform
