// Where the elements of a parsed document start in its source text, to the column: libxml2 keeps
// only the line of an element. The start tags are read from the source in document order and
// matched to the elements by name and line; an element without a matching tag (one that an
// entity reference brought in, or a document in UTF-16) has no column.
#pragma once

#include <libxml/tree.h>

#include <string_view>
#include <unordered_map>

namespace regcorvex {

// The column (from 1, in characters) of every element below and including root whose start tag
// was found in source, the bytes libxml2 parsed.
std::unordered_map<const xmlNode*, int> StartTagColumns(const xmlNode* root,
                                                        std::string_view source);

}  // namespace regcorvex
