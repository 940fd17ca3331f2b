// The text rules of a configuration document: its identity check, the escapes of element names and
// value texts, and the conversion of a value text to an integer or a block of bytes. Pure functions
// on 8-bit text in the ANSI code page (wide text for the identity check); none of them fails.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace regcorvex {

// The name of the root element and of the DOCTYPE of this product's documents.
inline constexpr char16_t kDocumentName[] = u"Corvane_5_Preferences";

struct DocumentIdentity {
  bool accepted;
  // For a refused document: the product it belongs to, as the refusal message names it.
  std::string display_name;
};

// Accepts a document whose root element and DOCTYPE are both named kDocumentName (case-sensitive).
DocumentIdentity CheckDocumentIdentity(std::u16string_view root_name,
                                       std::u16string_view doctype_name);

// The name of a product element: ProductTitle with "_" for each space.
std::string ProductElementName();
// True for ProductElementName in any case.
bool IsProductElementName(std::string_view name);

// The name of a category or value element with its escapes replaced, "_" becoming a space.
std::string DecodeElementName(std::string_view name);
// A value text with its escapes replaced, "_" becoming a space.
std::string DecodeValueText(std::string_view text);

// The integer of a value text: leading spaces, a sign, then decimal digits in the signed 32-bit
// range or hexadecimal digits (behind "$", "0x", "0X", "x" or "X") fitting 32 bits, and nothing
// else. Any other text gives 0.
std::int32_t TextToInteger(std::string_view text);
// The same reading, with no value for a text outside the syntax or the range.
std::optional<std::int32_t> ReadIntegerText(std::string_view text);

// Fills bytes from the hexadecimal digits of text, two digits a byte, high half first, skipping
// every other character. False, with bytes left unspecified, when the digits do not give exactly
// bytes.size() bytes (an odd last digit is not used).
bool HexTextToBytes(std::string_view text, std::span<std::uint8_t> bytes);

// The bytes of a decoded "binary" value text: spaces removed, then one byte for every two
// remaining characters, read by HexTextToBytes. No value when the text is rejected. Any length.
std::optional<std::vector<std::uint8_t>> BinaryTextToBytes(std::string_view text);

}  // namespace regcorvex
