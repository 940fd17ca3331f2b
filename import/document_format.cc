#include "import/document_format.h"

#include <array>
#include <utility>

#include "common/product.h"
#include "platform/code_page.h"
#include "platform/hex.h"

namespace regcorvex {
namespace {

using Escape = std::pair<std::string_view, std::string_view>;

constexpr std::array<Escape, 4> kNameEscapes = {{
    {"_0x5B_", "["},
    {"_0x5D_", "]"},
    {"_0x24_", "$"},
    {"_", " "},
}};

constexpr std::array<Escape, 9> kValueEscapes = {{
    {"_0x5B_", "["},
    {"_0x5D_", "]"},
    {"&#34;", "\""},
    {"&pos;", "'"},
    {"&amp;", "&"},
    {"$lt;", "<"},
    {"$gt;", ">"},
    {"&#36;", "$"},
    {"_", " "},
}};

// Every occurrence of from, found left to right without overlaps; inserted text is not rescanned.
template <typename Char>
std::basic_string<Char> ReplaceAll(std::basic_string_view<Char> text,
                                   std::basic_string_view<Char> from,
                                   std::basic_string_view<Char> to) {
  std::basic_string<Char> result;
  result.reserve(text.size());
  std::size_t start = 0;
  for (std::size_t found = text.find(from); found != text.npos; found = text.find(from, start)) {
    result.append(text, start, found - start).append(to);
    start = found + from.size();
  }
  return result.append(text.substr(start));
}

template <std::size_t N>
std::string ApplyEscapes(std::string_view text, const std::array<Escape, N>& escapes) {
  std::string result(text);
  for (const auto& [from, to] : escapes) {
    if (result.find(from) != std::string::npos) result = ReplaceAll<char>(result, from, to);
  }
  return result;
}

}  // namespace

DocumentIdentity CheckDocumentIdentity(std::u16string_view root_name,
                                       std::u16string_view doctype_name) {
  if (root_name == kDocumentName && doctype_name == kDocumentName) return {true, {}};
  const std::u16string_view named = doctype_name != kDocumentName ? doctype_name : root_name;
  const std::u16string product =
      ReplaceAll<char16_t>(ReplaceAll<char16_t>(named, u"_Preferences", u""), u"_", u" ");
  return {false, platform::WideToAnsi(product)};
}

std::string ProductElementName() {
  std::string name = ProductTitle;
  for (char& c : name) c = c == ' ' ? '_' : c;
  return name;
}

bool IsProductElementName(std::string_view name) {
  static const std::string wanted = platform::CharUpperBuffA(ProductElementName());
  return platform::CharUpperBuffA(name) == wanted;
}

std::string DecodeElementName(std::string_view name) { return ApplyEscapes(name, kNameEscapes); }

std::string DecodeValueText(std::string_view text) { return ApplyEscapes(text, kValueEscapes); }

std::int32_t TextToInteger(std::string_view text) { return ReadIntegerText(text).value_or(0); }

std::optional<std::int32_t> ReadIntegerText(std::string_view text) {
  std::size_t i = text.find_first_not_of(' ');
  if (i == std::string_view::npos) return std::nullopt;
  const bool negative = text[i] == '-';
  if (text[i] == '-' || text[i] == '+') ++i;
  const std::string_view rest = text.substr(i);
  std::string_view digits;
  bool hexadecimal = true;
  if (rest.starts_with("0x") || rest.starts_with("0X")) {
    digits = rest.substr(2);
  } else if (rest.starts_with("$") || rest.starts_with("x") || rest.starts_with("X")) {
    digits = rest.substr(1);
  } else {
    digits = rest;
    hexadecimal = false;
  }
  if (digits.empty()) return std::nullopt;
  const std::uint64_t base = hexadecimal ? 16 : 10;
  const std::uint64_t limit = hexadecimal ? 0xFFFFFFFFu : (negative ? 0x80000000u : 0x7FFFFFFFu);
  std::uint64_t value = 0;
  for (char c : digits) {
    const int digit = platform::HexDigitValue(c);
    if (digit < 0 || static_cast<std::uint64_t>(digit) >= base) return std::nullopt;
    value = value * base + static_cast<std::uint64_t>(digit);
    if (value > limit) return std::nullopt;
  }
  const auto pattern = static_cast<std::uint32_t>(negative ? 0u - value : value);
  return static_cast<std::int32_t>(pattern);
}

bool HexTextToBytes(std::string_view text, std::span<std::uint8_t> bytes) {
  std::size_t digits = 0;
  for (char c : text) {
    const int value = platform::HexDigitValue(c);
    if (value < 0) continue;
    const std::size_t byte = digits / 2;
    if (byte < bytes.size()) {
      const auto nibble = static_cast<std::uint8_t>(value);
      bytes[byte] = digits % 2 == 0 ? static_cast<std::uint8_t>(nibble << 4)
                                    : static_cast<std::uint8_t>(bytes[byte] | nibble);
    }
    ++digits;
  }
  return digits / 2 == bytes.size();
}

std::optional<std::vector<std::uint8_t>> BinaryTextToBytes(std::string_view text) {
  std::size_t characters = 0;
  for (char c : text) characters += c != ' ' ? 1 : 0;
  std::vector<std::uint8_t> bytes(characters / 2);
  if (!HexTextToBytes(text, bytes)) return std::nullopt;
  return bytes;
}

}  // namespace regcorvex
