#include "platform/posix/wine_registry/syntax.h"

#include <algorithm>
#include <type_traits>

#include "platform/hex.h"
#include "platform/posix/wine_registry/data.h"

namespace platform::wine_registry {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// Decodes one UTF-8 sequence at the front of text; nullopt when it is malformed.
std::optional<char32_t> DecodeUtf8(std::string_view& text) {
  const auto lead = static_cast<unsigned char>(text[0]);
  const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : -1;
  if (lead >= 0xF5 || extra < 0 || text.size() <= static_cast<std::size_t>(extra)) {
    return std::nullopt;
  }
  char32_t code = lead & (0x3F >> extra);
  for (int i = 1; i <= extra; ++i) {
    const auto next = static_cast<unsigned char>(text[static_cast<std::size_t>(i)]);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    code = (code << 6) | (next & 0x3F);
  }
  const char32_t minimum = extra == 1 ? 0x80 : extra == 2 ? 0x800 : 0x10000;
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)) return std::nullopt;
  text.remove_prefix(static_cast<std::size_t>(extra) + 1);
  return code;
}

template <typename Out>
void AppendCodePoint(Out& out, char32_t code) {
  if (code < 0x10000) {
    out.push_back(static_cast<char16_t>(code));
  } else {
    out.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
  }
}

void AppendPlain(Discard&, std::string_view) {}
void AppendPlain(std::u16string& out, std::string_view ascii) {
  const std::size_t at = out.size();
  out.resize(at + ascii.size());
  std::copy(ascii.begin(), ascii.end(), out.begin() + static_cast<std::ptrdiff_t>(at));
}

// Reads an escaped string up to its unescaped end character, which it consumes. The escapes are
// Wine's: C escapes, "\x" with up to four hex digits, octal with up to three digits, and a
// backslash before any other character standing for that character.
// Out is std::u16string, or Discard to check the string alone.
template <typename Out>
bool ParseString(std::string_view& text, char end, Out& result) {
  static constexpr std::string_view kLetters = "abtnvfre";
  static constexpr char16_t kControls[] = {7, 8, 9, 10, 11, 12, 13, 27};
  for (;;) {
    // Most of a string is ASCII that stands for itself: taken as one run.
    std::size_t plain = 0;
    while (plain < text.size() && text[plain] != end && text[plain] != '\\' &&
           static_cast<unsigned char>(text[plain]) < 0x80) {
      ++plain;
    }
    AppendPlain(result, text.substr(0, plain));
    text.remove_prefix(plain);
    if (text.empty() || text.front() == end) break;
    if (static_cast<unsigned char>(text.front()) >= 0x80) {
      const auto code = DecodeUtf8(text);
      if (!code) return false;
      AppendCodePoint(result, *code);
      continue;
    }
    text.remove_prefix(1);  // the backslash of an escape
    if (text.empty()) return false;
    const char escaped = text.front();
    text.remove_prefix(1);
    if (const auto letter = kLetters.find(escaped); letter != std::string_view::npos) {
      result.push_back(kControls[letter]);
    } else if (escaped == 'x' && !text.empty() && HexDigitValue(text.front()) >= 0) {
      unsigned unit = 0;
      for (int i = 0; i < 4 && !text.empty() && HexDigitValue(text.front()) >= 0; ++i) {
        unit = unit * 16 + static_cast<unsigned>(HexDigitValue(text.front()));
        text.remove_prefix(1);
      }
      result.push_back(static_cast<char16_t>(unit));
    } else if (escaped >= '0' && escaped <= '7') {
      unsigned unit = static_cast<unsigned>(escaped - '0');
      for (int i = 0; i < 2 && !text.empty() && text.front() >= '0' && text.front() <= '7'; ++i) {
        unit = unit * 8 + static_cast<unsigned>(text.front() - '0');
        text.remove_prefix(1);
      }
      result.push_back(static_cast<char16_t>(unit));
    } else if (static_cast<unsigned char>(escaped) < 0x80) {
      result.push_back(static_cast<char16_t>(escaped));
    } else {
      return false;
    }
  }
  if (text.empty()) return false;
  text.remove_prefix(1);
  return true;
}

// Reads "xx,xx,...", following "\" line continuations. Bytes is std::string or Discard.
template <typename Bytes>
void ParseHex(std::string_view text, LineReader& lines, Bytes& bytes) {
  for (;;) {
    text = TrimLeft(text);
    while (!text.empty() && HexDigitValue(text.front()) >= 0) {
      int byte = HexDigitValue(text.front());
      text.remove_prefix(1);
      if (!text.empty() && HexDigitValue(text.front()) >= 0) {
        byte = byte * 16 + HexDigitValue(text.front());
        text.remove_prefix(1);
      }
      bytes.push_back(static_cast<char>(byte));
      text = TrimLeft(text);
      if (!text.empty() && text.front() == ',') text = TrimLeft(text.substr(1));
    }
    text = TrimRight(text);
    if (text.empty()) return;
    if (text != "\\") lines.Fail("malformed hex data");
    const auto next = lines.Next();
    if (!next) lines.Fail("hex data continues past the end of the file");
    text = *next;
  }
}

Dword ParseHexNumber(std::string_view digits, std::size_t max_digits, LineReader& lines,
                     const char* what) {
  if (digits.empty() || digits.size() > max_digits) lines.Fail(what);
  Dword number = 0;
  for (const char c : digits) {
    if (HexDigitValue(c) < 0) lines.Fail(what);
    number = number * 16 + static_cast<Dword>(HexDigitValue(c));
  }
  return number;
}

}  // namespace

std::string_view TrimLeft(std::string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  return text;
}

std::string_view TrimRight(std::string_view text) {
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return text;
}

template <typename Out>
void ParseValue(Out& value, std::string_view text, LineReader& lines) {
  constexpr bool kKeep = std::is_same_v<Out, Value>;
  const bool is_default = text.front() == '@';
  text.remove_prefix(1);
  if (!is_default && !ParseString(text, '"', value.name)) lines.Fail("malformed value name");
  text = TrimLeft(text);
  if (text.empty() || text.front() != '=') lines.Fail("malformed value name");
  text = TrimLeft(text.substr(1));

  struct StringForm {
    std::string_view prefix;
    Dword type;
  };
  static constexpr StringForm kStrings[] = {
      {"\"", kRegSz}, {"str:\"", kRegSz}, {"str(2):\"", kRegExpandSz}, {"str(7):\"", kRegMultiSz}};
  for (const StringForm& form : kStrings) {
    if (!text.starts_with(form.prefix)) continue;
    text.remove_prefix(form.prefix.size());
    std::conditional_t<kKeep, std::u16string, Discard> data;
    if (!ParseString(text, '"', data) || !TrimRight(text).empty()) {
      lines.Fail("malformed string value");
    }
    value.type = form.type;
    if constexpr (kKeep) {
      data.push_back(u'\0');
      value.data = BytesFromUtf16(data);
    }
    return;
  }
  if (text.starts_with("dword:")) {
    const Dword number = ParseHexNumber(TrimRight(text.substr(6)), 8, lines, "malformed dword");
    value.type = kRegDword;
    for (int i = 0; i < 4; ++i) value.data.push_back(static_cast<char>((number >> (8 * i)) & 0xFF));
  } else if (text.starts_with("hex:")) {
    value.type = kRegBinary;
    ParseHex(text.substr(4), lines, value.data);
  } else if (text.starts_with("hex(")) {
    const std::size_t close = text.find("):");
    if (close == std::string_view::npos) lines.Fail("malformed value type");
    value.type = ParseHexNumber(text.substr(4, close - 4), 8, lines, "malformed value type");
    ParseHex(text.substr(close + 2), lines, value.data);
  } else {
    lines.Fail("unknown value type");
  }
}

template void ParseValue(Value& value, std::string_view text, LineReader& lines);
template void ParseValue(CheckedValue& value, std::string_view text, LineReader& lines);

void ParseKeyLine(std::string_view text, LineReader& lines, KeyLine& line) {
  text.remove_prefix(1);
  line.path.clear();
  if (!ParseString(text, ']', line.path)) lines.Fail("malformed key name");
  text = TrimRight(TrimLeft(text));
  FileTime seconds = 0;
  for (const char c : text) {
    if (c < '0' || c > '9' || seconds > 0xFFFFFFFFu) lines.Fail("malformed key stamp");
    seconds = seconds * 10 + static_cast<FileTime>(c - '0');
  }
  line.stamp = text.empty() ? Now() : seconds * kTicksPerSecond + kTicks1601To1970;
  line.names.clear();
  std::size_t start = 0;
  while (start <= line.path.size()) {
    std::size_t end = line.path.find(u'\\', start);
    if (end == std::u16string::npos) end = line.path.size();
    if (end - start > kWineMaxKeyNameLength) lines.Fail("key name longer than 256 characters");
    if (end > start) {
      if (line.names.size() == kMaxKeyDepth) {
        lines.Fail("keys nested deeper than " + std::to_string(kMaxKeyDepth) + " levels");
      }
      line.names.push_back({start, end - start});
    }
    start = end + 1;
  }
}

std::size_t SharedNames(const KeyLine& a, const KeyLine& b) {
  std::size_t shared = 0;
  while (shared < a.names.size() && shared < b.names.size() && a.name(shared) == b.name(shared)) {
    ++shared;
  }
  return shared;
}

void ParseKeyOption(Key& key, std::string_view text, LineReader& lines) {
  if (text.starts_with("#time=")) {
    const std::string_view digits = TrimRight(text.substr(6));
    if (digits.empty() || digits.size() > 16) lines.Fail("malformed #time");
    FileTime stamp = 0;
    for (const char c : digits) {
      if (HexDigitValue(c) < 0) lines.Fail("malformed #time");
      stamp = stamp * 16 + static_cast<FileTime>(HexDigitValue(c));
    }
    key.modified = stamp;
  } else if (text.starts_with("#class=\"")) {
    text.remove_prefix(8);
    std::u16string name;
    if (!ParseString(text, '"', name)) lines.Fail("malformed #class");
    key.class_name = std::move(name);
  } else if (TrimRight(text) == "#link") {
    key.link = true;
  }
  // Wine ignores the options it does not know, and drops them when it saves.
}

}  // namespace platform::wine_registry
