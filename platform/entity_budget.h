// A look at a document before a parser without limits of its own expands it: the entities its
// internal DTD subset declares, what each expands to once declared, the attribute defaults every
// element receives, and what the document's references and elements add up to. The document is
// held to XmlEntityLimits, as the native DOM holds it while parsing. A scan of the text, not a
// parser: where it is unsure it counts too much, and where it cannot tell it refuses.
#pragma once

#include <cstddef>
#include <string_view>

namespace platform {

// What expanding the document's entities and applying its attribute defaults adds: characters
// (UTF-16 code units) and the copying that joining expansions to the text around them costs.
struct EntityExpansion {
  std::size_t characters = 0;
  std::size_t work = 0;
};

// The expansion of the document in bytes, within XmlEntityLimits::ForDocument of their size.
// Throws XmlLoadError: kEntityLimitsReason with the line that goes too far, or that the scan
// cannot measure (a parameter entity inside a declaration, markup it reads only in an inexact
// decoding); kAttributeDefaultsLimitsReason with the line where the defaults given to the
// document's elements go too far while its references alone would not; kUnreadableEncodingReason
// for an encoding it cannot decode as the parser does.
EntityExpansion MeasureEntityExpansion(std::string_view bytes);

}  // namespace platform
