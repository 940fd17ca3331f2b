// A document's bytes as the text an XML parser reads, for a look at its markup before parsing:
// the encoding found as the parser finds it (byte-order mark, the first bytes, the declaration),
// decoded to UTF-16 code units. Where the decoding may differ from the parser's, the text says so.
#pragma once

#include <string>
#include <string_view>

namespace platform {

inline constexpr char kUnreadableEncodingReason[] =
    "The document's encoding is not one this program can check.";

struct DocumentText {
  std::u16string units;
  // False when the parser may read other characters than units holds: bytes that are not valid
  // in the encoding, or a byte-order mark and a declaration that disagree. Every character of
  // markup the parser can see is still in units (never one that a byte sequence hides).
  bool exact = true;
};

// Throws XmlLoadError (kUnreadableEncodingReason) for an encoding whose markup cannot be read
// without a converter of its own: UTF-7, EBCDIC, the ISO 2022 families and any name not known
// here, and for a declaration that contradicts a 16- or 32-bit byte order.
DocumentText DecodeDocument(std::string_view bytes);

}  // namespace platform
