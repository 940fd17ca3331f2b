// Code page 1252, as Windows and Wine define it: 0x80-0x9F hold typographic characters, the five
// unassigned bytes there map to the C1 controls of the same value, the rest is Latin-1.
#include <array>

#include "platform/code_page.h"

namespace platform {
namespace {

constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t ToWide(unsigned char byte) {
  return byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : char16_t{byte};
}

// The byte for a UTF-16 unit, or '?' when code page 1252 has no such character.
char ToAnsi(char16_t unit) {
  if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return static_cast<char>(unit);
  for (unsigned i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == unit) return static_cast<char>(0x80 + i);
  }
  return '?';
}

// Letters whose case pair is also in the code page: Latin-1 letters (but not the multiplication
// and division signs) and the four of 0x8A-0x9F.
unsigned char ToUpper(unsigned char c) {
  if (c >= 'a' && c <= 'z') return c - 0x20;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  switch (c) {
    case 0x9A:
      return 0x8A;
    case 0x9C:
      return 0x8C;
    case 0x9E:
      return 0x8E;
    case 0xFF:
      return 0x9F;
    default:
      return c;
  }
}

unsigned char ToLower(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c + 0x20;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
  switch (c) {
    case 0x8A:
      return 0x9A;
    case 0x8C:
      return 0x9C;
    case 0x8E:
      return 0x9E;
    case 0x9F:
      return 0xFF;
    default:
      return c;
  }
}

template <typename Map>
std::string MapBytes(std::string_view text, Map map) {
  std::string result(text);
  for (char& c : result) c = static_cast<char>(map(static_cast<unsigned char>(c)));
  return result;
}

}  // namespace

std::string CharUpperBuffA(std::string_view text) { return MapBytes(text, ToUpper); }
std::string CharLowerBuffA(std::string_view text) { return MapBytes(text, ToLower); }

std::string WideToAnsi(std::u16string_view text) {
  std::string result;
  result.reserve(text.size());
  for (char16_t unit : text) result.push_back(ToAnsi(unit));
  return result;
}

std::u16string AnsiToWide(std::string_view text) {
  std::u16string result;
  result.reserve(text.size());
  for (char c : text) result.push_back(ToWide(static_cast<unsigned char>(c)));
  return result;
}

bool IsDbcsLeadByte(char) { return false; }

}  // namespace platform
