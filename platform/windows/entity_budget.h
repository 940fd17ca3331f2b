// A look at a document before MSXML parses it: the internal general entities its DTD declares,
// what they expand to, and what the document's references to them add up to. MSXML under Wine
// expands without limit, so the document is held to XmlEntityLimits here, as the native DOM holds
// it while parsing. A scan of the text, not a parser: where it is unsure it counts too much.
#pragma once

#include <string>
#include <string_view>

namespace regcorvex {

// The document's bytes as code units: UTF-16 behind a byte-order mark, else one unit a byte
// (enough for markup, which is ASCII).
std::u16string DocumentCodeUnits(std::string_view bytes);

// Throws XmlLoadError (kEntityLimitsReason, with the line of the reference that goes too far)
// when the document's entity references expand beyond XmlEntityLimits.
void CheckEntityExpansion(std::u16string_view text);

}  // namespace regcorvex
