#include "platform/document_encoding.h"

#include <array>
#include <cstdint>
#include <optional>

#include "platform/xml_document.h"

namespace platform {
namespace {

enum class Kind { kSingleByte, kUtf8, kUtf16, kUcs4, kDoubleByte };

struct ByteRange {
  unsigned char first;
  unsigned char last;
  bool Holds(unsigned char byte) const { return byte >= first && byte <= last; }
};

// A double-byte code page: which bytes lead a pair and which may follow them. A trail byte may be
// an ASCII letter or bracket, which a byte-by-byte look would take for markup.
struct DoubleByte {
  std::array<ByteRange, 2> lead;
  std::array<ByteRange, 3> trail;
  bool four_byte;  // GB18030: a lead, a digit, a lead and a digit
};

constexpr DoubleByte kShiftJis = {
    {{{0x81, 0x9F}, {0xE0, 0xFC}}}, {{{0x40, 0x7E}, {0x80, 0xFC}, {0x80, 0xFC}}}, false};
constexpr DoubleByte kGbk = {
    {{{0x81, 0xFE}, {0x81, 0xFE}}}, {{{0x40, 0x7E}, {0x80, 0xFE}, {0x80, 0xFE}}}, false};
constexpr DoubleByte kGb18030 = {
    {{{0x81, 0xFE}, {0x81, 0xFE}}}, {{{0x40, 0x7E}, {0x80, 0xFE}, {0x80, 0xFE}}}, true};
constexpr DoubleByte kBig5 = {
    {{{0x81, 0xFE}, {0x81, 0xFE}}}, {{{0x40, 0x7E}, {0xA1, 0xFE}, {0xA1, 0xFE}}}, false};
constexpr DoubleByte kKorean = {
    {{{0x81, 0xFE}, {0x81, 0xFE}}}, {{{0x41, 0x5A}, {0x61, 0x7A}, {0x81, 0xFE}}}, false};

struct Encoding {
  std::string_view name;  // lower case
  Kind kind;
  const DoubleByte* pairs = nullptr;
};

// The encodings read here. The 8-bit ones keep every ASCII byte as itself; EUC-JP and EUC-CN
// put only bytes from 0xA1 up in their pairs, so they read as single bytes.
constexpr Encoding kEncodings[] = {
    {"utf-8", Kind::kUtf8},
    {"utf8", Kind::kUtf8},
    {"utf-16", Kind::kUtf16},
    {"utf-16le", Kind::kUtf16},
    {"utf-16be", Kind::kUtf16},
    {"ucs-2", Kind::kUtf16},
    {"unicode", Kind::kUtf16},
    {"unicodefffe", Kind::kUtf16},
    {"csunicode", Kind::kUtf16},
    {"iso-10646-ucs-2", Kind::kUtf16},
    {"ucs-4", Kind::kUcs4},
    {"utf-32", Kind::kUcs4},
    {"utf-32le", Kind::kUcs4},
    {"utf-32be", Kind::kUcs4},
    {"iso-10646-ucs-4", Kind::kUcs4},
    {"us-ascii", Kind::kSingleByte},
    {"ascii", Kind::kSingleByte},
    {"iso-8859-1", Kind::kSingleByte},
    {"iso-8859-2", Kind::kSingleByte},
    {"iso-8859-3", Kind::kSingleByte},
    {"iso-8859-4", Kind::kSingleByte},
    {"iso-8859-5", Kind::kSingleByte},
    {"iso-8859-6", Kind::kSingleByte},
    {"iso-8859-7", Kind::kSingleByte},
    {"iso-8859-8", Kind::kSingleByte},
    {"iso-8859-8-i", Kind::kSingleByte},
    {"iso-8859-9", Kind::kSingleByte},
    {"iso-8859-10", Kind::kSingleByte},
    {"iso-8859-11", Kind::kSingleByte},
    {"iso-8859-13", Kind::kSingleByte},
    {"iso-8859-14", Kind::kSingleByte},
    {"iso-8859-15", Kind::kSingleByte},
    {"iso-8859-16", Kind::kSingleByte},
    {"iso_8859-1", Kind::kSingleByte},
    {"latin1", Kind::kSingleByte},
    {"iso-latin-1", Kind::kSingleByte},
    {"l1", Kind::kSingleByte},
    {"windows-1250", Kind::kSingleByte},
    {"windows-1251", Kind::kSingleByte},
    {"windows-1252", Kind::kSingleByte},
    {"windows-1253", Kind::kSingleByte},
    {"windows-1254", Kind::kSingleByte},
    {"windows-1255", Kind::kSingleByte},
    {"windows-1256", Kind::kSingleByte},
    {"windows-1257", Kind::kSingleByte},
    {"windows-1258", Kind::kSingleByte},
    {"cp1250", Kind::kSingleByte},
    {"cp1251", Kind::kSingleByte},
    {"cp1252", Kind::kSingleByte},
    {"cp1253", Kind::kSingleByte},
    {"cp1254", Kind::kSingleByte},
    {"cp1255", Kind::kSingleByte},
    {"cp1256", Kind::kSingleByte},
    {"cp1257", Kind::kSingleByte},
    {"cp1258", Kind::kSingleByte},
    {"windows-874", Kind::kSingleByte},
    {"tis-620", Kind::kSingleByte},
    {"koi8-r", Kind::kSingleByte},
    {"koi8-u", Kind::kSingleByte},
    {"ibm437", Kind::kSingleByte},
    {"ibm850", Kind::kSingleByte},
    {"ibm852", Kind::kSingleByte},
    {"ibm855", Kind::kSingleByte},
    {"ibm857", Kind::kSingleByte},
    {"ibm860", Kind::kSingleByte},
    {"ibm861", Kind::kSingleByte},
    {"ibm862", Kind::kSingleByte},
    {"ibm863", Kind::kSingleByte},
    {"ibm864", Kind::kSingleByte},
    {"ibm865", Kind::kSingleByte},
    {"ibm866", Kind::kSingleByte},
    {"ibm869", Kind::kSingleByte},
    {"cp437", Kind::kSingleByte},
    {"cp850", Kind::kSingleByte},
    {"cp852", Kind::kSingleByte},
    {"cp866", Kind::kSingleByte},
    {"macintosh", Kind::kSingleByte},
    {"euc-jp", Kind::kSingleByte},
    {"x-euc-jp", Kind::kSingleByte},
    {"euc-cn", Kind::kSingleByte},
    {"shift_jis", Kind::kDoubleByte, &kShiftJis},
    {"shift-jis", Kind::kDoubleByte, &kShiftJis},
    {"sjis", Kind::kDoubleByte, &kShiftJis},
    {"x-sjis", Kind::kDoubleByte, &kShiftJis},
    {"ms_kanji", Kind::kDoubleByte, &kShiftJis},
    {"csshiftjis", Kind::kDoubleByte, &kShiftJis},
    {"windows-31j", Kind::kDoubleByte, &kShiftJis},
    {"cp932", Kind::kDoubleByte, &kShiftJis},
    {"gb2312", Kind::kDoubleByte, &kGbk},
    {"csgb2312", Kind::kDoubleByte, &kGbk},
    {"gbk", Kind::kDoubleByte, &kGbk},
    {"x-gbk", Kind::kDoubleByte, &kGbk},
    {"cp936", Kind::kDoubleByte, &kGbk},
    {"gb18030", Kind::kDoubleByte, &kGb18030},
    {"big5", Kind::kDoubleByte, &kBig5},
    {"big5-hkscs", Kind::kDoubleByte, &kBig5},
    {"csbig5", Kind::kDoubleByte, &kBig5},
    {"x-x-big5", Kind::kDoubleByte, &kBig5},
    {"cp950", Kind::kDoubleByte, &kBig5},
    {"euc-kr", Kind::kDoubleByte, &kKorean},
    {"ks_c_5601-1987", Kind::kDoubleByte, &kKorean},
    {"ks_c_5601-1989", Kind::kDoubleByte, &kKorean},
    {"ks_c_5601", Kind::kDoubleByte, &kKorean},
    {"korean", Kind::kDoubleByte, &kKorean},
    {"csksc56011987", Kind::kDoubleByte, &kKorean},
    {"uhc", Kind::kDoubleByte, &kKorean},
    {"cp949", Kind::kDoubleByte, &kKorean},
};

constexpr char16_t kReplacement = 0xFFFD;

[[noreturn]] void Refuse() { throw XmlLoadError(kUnreadableEncodingReason, 1, ""); }

const Encoding* FindEncoding(std::u16string_view name) {
  std::string lower;
  for (char16_t c : name) {
    if (c >= 0x80) return nullptr;
    lower += static_cast<char>(c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c);
  }
  for (const Encoding& encoding : kEncodings) {
    if (encoding.name == lower) return &encoding;
  }
  return nullptr;
}

void AppendCodePoint(std::u16string& units, std::uint32_t code_point) {
  if (code_point < 0x10000) {
    units += static_cast<char16_t>(code_point);
  } else {
    code_point -= 0x10000;
    units += static_cast<char16_t>(0xD800 + (code_point >> 10));
    units += static_cast<char16_t>(0xDC00 + (code_point & 0x3FF));
  }
}

unsigned char Byte(std::string_view bytes, std::size_t at) {
  return static_cast<unsigned char>(bytes[at]);
}

DocumentText DecodeSingleBytes(std::string_view bytes) {
  DocumentText text;
  text.units.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) text.units += Byte(bytes, i);
  return text;
}

DocumentText DecodeUtf8(std::string_view bytes) {
  DocumentText text;
  text.units.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    const unsigned char lead = Byte(bytes, i);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    std::uint32_t code_point = length == 1 ? lead : lead & (0x7F >> length);
    bool valid = (lead < 0x80 || lead >= 0xC2) && lead <= 0xF4 && i + length <= bytes.size();
    for (std::size_t k = 1; valid && k < length; ++k) {
      const unsigned char next = Byte(bytes, i + k);
      valid = (next & 0xC0) == 0x80;
      code_point = code_point << 6 | (next & 0x3F);
    }
    constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    valid = valid && code_point >= kSmallest[length] && code_point <= 0x10FFFF &&
            (code_point < 0xD800 || code_point > 0xDFFF);
    if (!valid) {
      text.units += kReplacement;
      text.exact = false;
      ++i;
      continue;
    }
    AppendCodePoint(text.units, code_point);
    i += length;
  }
  return text;
}

DocumentText DecodeUtf16(std::string_view bytes, bool little_endian) {
  DocumentText text;
  text.units.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const unsigned low = Byte(bytes, little_endian ? i : i + 1);
    const unsigned high = Byte(bytes, little_endian ? i + 1 : i);
    text.units += static_cast<char16_t>(high << 8 | low);
  }
  text.exact = bytes.size() % 2 == 0;
  return text;
}

// order[k] is the position of the k-th most significant byte of each four.
DocumentText DecodeUcs4(std::string_view bytes, const std::array<int, 4>& order) {
  DocumentText text;
  text.units.reserve(bytes.size() / 4);
  for (std::size_t i = 0; i + 3 < bytes.size(); i += 4) {
    std::uint32_t code_point = 0;
    for (int position : order) code_point = code_point << 8 | Byte(bytes, i + position);
    if (code_point > 0x10FFFF || (code_point >= 0xD800 && code_point <= 0xDFFF)) {
      text.units += kReplacement;
      text.exact = false;
    } else {
      AppendCodePoint(text.units, code_point);
    }
  }
  text.exact = text.exact && bytes.size() % 4 == 0;
  return text;
}

// Each pair (or GB18030 four) becomes one unit from 0x8000 up, distinct for distinct pairs, so
// that names compare as the parser compares them; a lead without its trail makes the text inexact.
DocumentText DecodeDoubleBytes(std::string_view bytes, const DoubleByte& pairs) {
  const auto holds = [](const auto& ranges, unsigned char byte) {
    for (const ByteRange& range : ranges) {
      if (range.Holds(byte)) return true;
    }
    return false;
  };
  const auto digit = [](unsigned char byte) { return byte >= 0x30 && byte <= 0x39; };
  DocumentText text;
  text.units.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    const unsigned char lead = Byte(bytes, i);
    if (!holds(pairs.lead, lead)) {
      text.units += lead;
      ++i;
      continue;
    }
    const int next = i + 1 < bytes.size() ? Byte(bytes, i + 1) : -1;
    if (pairs.four_byte && next >= 0 && digit(static_cast<unsigned char>(next)) &&
        i + 3 < bytes.size() && holds(pairs.lead, Byte(bytes, i + 2)) &&
        digit(Byte(bytes, i + 3))) {
      text.units += kReplacement;
      i += 4;
    } else if (next >= 0 && holds(pairs.trail, static_cast<unsigned char>(next))) {
      text.units += static_cast<char16_t>(0x8000 | (lead & 0x7F) << 8 | next);
      i += 2;
    } else {
      text.units += kReplacement;
      text.exact = false;
      ++i;
    }
  }
  return text;
}

// The encoding named by the XML declaration at the start of text, if any.
std::optional<std::u16string_view> DeclaredEncoding(std::u16string_view text) {
  if (!text.starts_with(u"<?xml") || text.size() < 6 ||
      (text[5] != u' ' && text[5] != u'\t' && text[5] != u'\r' && text[5] != u'\n'))
    return std::nullopt;
  const std::u16string_view declaration = text.substr(0, text.find(u"?>"));
  std::size_t at = declaration.find(u"encoding");
  if (at == std::u16string_view::npos) return std::nullopt;
  at += 8;
  const auto skip_space = [&] {
    while (at < declaration.size() && (declaration[at] == u' ' || declaration[at] == u'\t' ||
                                       declaration[at] == u'\r' || declaration[at] == u'\n'))
      ++at;
  };
  skip_space();
  if (at >= declaration.size() || declaration[at] != u'=') return std::nullopt;
  ++at;
  skip_space();
  if (at >= declaration.size() || (declaration[at] != u'"' && declaration[at] != u'\''))
    return std::nullopt;
  const std::size_t end = declaration.find(declaration[at], at + 1);
  if (end == std::u16string_view::npos) return std::nullopt;
  return declaration.substr(at + 1, end - at - 1);
}

// The kind the declaration names, checked against the kind the first bytes gave; null when the
// document has no declaration of its encoding.
const Encoding* Declared(const DocumentText& text) {
  const std::optional<std::u16string_view> name = DeclaredEncoding(text.units);
  if (!name) return nullptr;
  const Encoding* encoding = FindEncoding(*name);
  if (encoding == nullptr) Refuse();
  return encoding;
}

// A text whose bytes have a fixed width: the declaration may only confirm it.
DocumentText Wide(DocumentText text, Kind kind) {
  const Encoding* declared = Declared(text);
  if (declared != nullptr && declared->kind != kind) Refuse();
  return text;
}

}  // namespace

DocumentText DecodeDocument(std::string_view bytes) {
  const auto starts = [&](std::string_view prefix) { return bytes.starts_with(prefix); };
  using std::literals::string_view_literals::operator""sv;
  if (starts("\x00\x00\xFE\xFF"sv))
    return Wide(DecodeUcs4(bytes.substr(4), {0, 1, 2, 3}), Kind::kUcs4);
  if (starts("\xFF\xFE\x00\x00"sv))
    return Wide(DecodeUcs4(bytes.substr(4), {3, 2, 1, 0}), Kind::kUcs4);
  if (starts("\x00\x00\xFF\xFE"sv))
    return Wide(DecodeUcs4(bytes.substr(4), {1, 0, 3, 2}), Kind::kUcs4);
  if (starts("\xFE\xFF\x00\x00"sv))
    return Wide(DecodeUcs4(bytes.substr(4), {2, 3, 0, 1}), Kind::kUcs4);
  if (starts("\x00\x00\x00\x3C"sv)) return Wide(DecodeUcs4(bytes, {0, 1, 2, 3}), Kind::kUcs4);
  if (starts("\x3C\x00\x00\x00"sv)) return Wide(DecodeUcs4(bytes, {3, 2, 1, 0}), Kind::kUcs4);
  if (starts("\x00\x00\x3C\x00"sv)) return Wide(DecodeUcs4(bytes, {1, 0, 3, 2}), Kind::kUcs4);
  if (starts("\x00\x3C\x00\x00"sv)) return Wide(DecodeUcs4(bytes, {2, 3, 0, 1}), Kind::kUcs4);
  if (starts("\xFE\xFF")) return Wide(DecodeUtf16(bytes.substr(2), false), Kind::kUtf16);
  if (starts("\xFF\xFE")) return Wide(DecodeUtf16(bytes.substr(2), true), Kind::kUtf16);
  // Without a mark, a zero byte among the first two means 16-bit units, as parsers guess them.
  if (bytes.size() >= 2 && (bytes[0] == '\0') != (bytes[1] == '\0'))
    return Wide(DecodeUtf16(bytes, bytes[1] == '\0'), Kind::kUtf16);
  if (starts("\x4C\x6F\xA7\x94")) Refuse();  // "<?xm" in EBCDIC

  const bool marked = starts("\xEF\xBB\xBF");
  const std::string_view body = marked ? bytes.substr(3) : bytes;
  DocumentText text = DecodeUtf8(body);
  const Encoding* declared = Declared(text);
  if (declared == nullptr || declared->kind == Kind::kUtf8) return text;
  if (declared->kind == Kind::kUtf16 || declared->kind == Kind::kUcs4) Refuse();
  if (marked) {
    // A UTF-8 mark and another 8-bit encoding: one byte a unit keeps every ASCII byte.
    DocumentText bytes_text = DecodeSingleBytes(body);
    bytes_text.exact = false;
    return bytes_text;
  }
  return declared->kind == Kind::kDoubleByte ? DecodeDoubleBytes(body, *declared->pairs)
                                             : DecodeSingleBytes(body);
}

}  // namespace platform
