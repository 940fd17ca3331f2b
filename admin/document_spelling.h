// How a registry name or text is spelled in a configuration document so that the import's
// decoding (DecodeElementName, DecodeValueText) gives it back exactly, or why it cannot be.
// Input is ANSI text as the registry holds it; a spelling is UTF-8 as it stands in the file.
#pragma once

#include <string>
#include <string_view>

namespace regcorvex {

struct Spelling {
  std::string text;     // the spelling; empty when problem is set
  std::string problem;  // why there is none ("its name holds ..."), empty when there is
};

// An element name: letters, digits, "." and "-" as they are, a space as "_", "[", "]" and "$"
// as their escapes. Names with "_" or with characters no element name may hold have none.
Spelling SpellElementName(std::string_view name, std::string_view what);
// A value text: a space as "_", "[", "]", "&" and "$" as their escapes, then XML's own escapes
// ("&amp;", "&lt;", "&gt;" and character references for tab, line feed and carriage return).
Spelling SpellValueText(std::string_view text);

}  // namespace regcorvex
