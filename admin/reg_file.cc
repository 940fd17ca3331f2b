#include "admin/reg_file.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "platform/code_page.h"
#include "platform/hex.h"
#include "platform/utf8.h"

namespace regcorvex {
namespace {

using Text = std::u16string;
using View = std::u16string_view;

struct Failure {
  std::string reason;
};

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

View TrimLeft(View text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return text;
}

View TrimRight(View text) {
  while (!text.empty() && (IsBlank(text.back()) || text.back() == u'\r')) text.remove_suffix(1);
  return text;
}

std::optional<std::uint32_t> HexNumber(View digits, std::size_t max_digits) {
  if (digits.empty() || digits.size() > max_digits) return std::nullopt;
  std::uint32_t value = 0;
  for (char16_t c : digits) {
    const int digit = platform::HexDigitValue(c);
    if (digit < 0) return std::nullopt;
    value = value << 4 | static_cast<std::uint32_t>(digit);
  }
  return value;
}

// A name or text in the ANSI code page; problem says so when the code page lacks a character.
std::string Ansi(View text, std::string& problem) {
  std::string ansi = platform::WideToAnsi(text);
  if (platform::AnsiToWide(ansi) != text && problem.empty()) {
    problem = "it holds characters that the ANSI code page lacks";
  }
  return ansi;
}

// A quoted text at the start of text (after its opening quote is checked): the text with its
// escapes replaced, and the rest of the line after the closing quote.
std::pair<Text, View> Quoted(View text) {
  if (text.empty() || text.front() != u'"') throw Failure{"a quoted text was expected"};
  Text out;
  for (std::size_t i = 1; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'"') return {out, text.substr(i + 1)};
    if (c != u'\\' || i + 1 == text.size()) {
      out += c;
      continue;
    }
    const char16_t next = text[++i];
    switch (next) {
      case u'\\':
      case u'"':
        out += next;
        break;
      case u'n':
        out += u'\n';
        break;
      case u'r':
        out += u'\r';
        break;
      case u'0':
        out += u'\0';
        break;
      default:
        out += u'\\';
        out += next;
    }
  }
  throw Failure{"a quoted text has no closing quote"};
}

std::vector<std::uint8_t> HexBytes(View list) {
  std::vector<std::uint8_t> bytes;
  list = TrimLeft(TrimRight(list));
  if (list.empty()) return bytes;
  for (;;) {
    const std::size_t comma = list.find(u',');
    const View item = TrimLeft(TrimRight(list.substr(0, comma)));
    const auto byte = HexNumber(item, 2);
    if (!byte) throw Failure{"\"" + platform::WideToAnsi(item) + "\" is no hexadecimal byte"};
    bytes.push_back(static_cast<std::uint8_t>(*byte));
    if (comma == View::npos) break;
    list = list.substr(comma + 1);
    if (TrimLeft(list).empty()) break;
  }
  return bytes;
}

// Text types in a UTF-16 file hold UTF-16 bytes; the 8-bit functions give them in ANSI.
std::vector<std::uint8_t> AnsiBytes(const std::vector<std::uint8_t>& utf16, std::string& problem) {
  if (utf16.size() % 2 != 0) {
    problem = "its text data is an odd number of UTF-16 bytes";
    return utf16;
  }
  Text wide;
  for (std::size_t i = 0; i < utf16.size(); i += 2) {
    wide += static_cast<char16_t>(utf16[i] | utf16[i + 1] << 8);
  }
  const std::string ansi = Ansi(wide, problem);
  return {ansi.begin(), ansi.end()};
}

struct ParsedValue {
  TreeValue value;
  bool deletion = false;  // "name"=-: the value's name only
};

// A value line. Text types in a version 5.00 file hold UTF-16 bytes, in a REGEDIT4 file ANSI.
ParsedValue ParseValue(View line, bool utf16_data) {
  ParsedValue parsed;
  TreeValue& value = parsed.value;
  View rest;
  if (line.front() == u'@') {
    rest = line.substr(1);
  } else {
    auto [name, after] = Quoted(line);
    value.name = Ansi(name, value.problem);
    rest = after;
  }
  rest = TrimLeft(rest);
  if (rest.empty() || rest.front() != u'=') throw Failure{"\"=\" was expected after the name"};
  rest = TrimRight(TrimLeft(rest.substr(1)));
  if (rest.starts_with(u'"')) {
    auto [text, after] = Quoted(rest);
    if (!TrimLeft(after).empty() && TrimLeft(after).front() != u';') {
      throw Failure{"text follows the closing quote"};
    }
    const std::string ansi = Ansi(text, value.problem);
    value.type = platform::kRegSz;
    value.data.assign(ansi.begin(), ansi.end());
    value.data.push_back(0);
  } else if (rest.starts_with(u"dword:")) {
    const auto number = HexNumber(rest.substr(6), 8);
    if (!number) throw Failure{"dword: needs one to eight hexadecimal digits"};
    value.type = platform::kRegDword;
    for (int shift = 0; shift < 32; shift += 8) {
      value.data.push_back(static_cast<std::uint8_t>(*number >> shift));
    }
  } else if (rest.starts_with(u"hex:")) {
    value.type = platform::kRegBinary;
    value.data = HexBytes(rest.substr(4));
  } else if (rest.starts_with(u"hex(")) {
    const std::size_t close = rest.find(u"):");
    const auto type = close == View::npos ? std::nullopt : HexNumber(rest.substr(4, close - 4), 8);
    if (!type) throw Failure{"hex(N): needs a hexadecimal type number"};
    value.type = *type;
    value.data = HexBytes(rest.substr(close + 2));
    const bool text_type = *type == platform::kRegSz || *type == platform::kRegExpandSz ||
                           *type == platform::kRegMultiSz;
    if (utf16_data && text_type) value.data = AnsiBytes(value.data, value.problem);
  } else if (rest == u"-") {
    parsed.deletion = true;
  } else {
    throw Failure{"the value's data is none of \"text\", dword:, hex:, hex(N): and -"};
  }
  return parsed;
}

// Whether bytes are well-formed UTF-8 holding at least one character beyond ASCII.
bool IsUtf8BeyondAscii(std::string_view bytes) {
  bool beyond = false;
  for (std::size_t i = 0; i < bytes.size();) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    const std::size_t length = lead < 0x80                   ? 1
                               : lead >= 0xC2 && lead < 0xE0 ? 2
                               : lead >= 0xE0 && lead < 0xF0 ? 3
                               : lead >= 0xF0 && lead < 0xF5 ? 4
                                                             : 0;
    if (length == 0 || i + length > bytes.size()) return false;
    std::uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = code << 6 | (next & 0x3F);
    }
    constexpr std::uint32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kShortest[length] || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)) {
      return false;
    }
    beyond = beyond || length > 1;
    i += length;
  }
  return beyond;
}

struct Decoded {
  Text text;
  const char* encoding;
};

Text FromUtf16(std::string_view bytes, bool big_endian) {
  Text text;
  text.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    text += static_cast<char16_t>(big_endian ? first << 8 | second : second << 8 | first);
  }
  return text;
}

// The file's characters, by its byte order mark, else by the zero bytes of its first character
// (the header's first character is never NUL), else as UTF-8 when it is that, else as ANSI.
Decoded Decode(std::string_view bytes) {
  if (bytes.starts_with("\xFF\xFE")) return {FromUtf16(bytes.substr(2), false), "UTF-16LE"};
  if (bytes.starts_with("\xFE\xFF")) return {FromUtf16(bytes.substr(2), true), "UTF-16BE"};
  if (bytes.starts_with("\xEF\xBB\xBF")) {
    return {platform::Utf8ToUtf16(bytes.substr(3)), "UTF-8"};
  }
  if (bytes.size() >= 2 && bytes[0] == '\0' && bytes[1] != '\0') {
    return {FromUtf16(bytes, true), "UTF-16BE without a byte order mark"};
  }
  if (bytes.size() >= 2 && bytes[0] != '\0' && bytes[1] == '\0') {
    return {FromUtf16(bytes, false), "UTF-16LE without a byte order mark"};
  }
  if (IsUtf8BeyondAscii(bytes)) return {platform::Utf8ToUtf16(bytes), "UTF-8"};
  return {platform::AnsiToWide(bytes), "the ANSI code page"};
}

enum class Version { kNone, kRegedit4, kVersion5 };

// The header line: its first word in any case, the rest as written.
Version HeaderVersion(View line) {
  line = TrimRight(TrimLeft(line));
  const std::size_t space = line.find(u' ');
  const View word = line.substr(0, space);
  const View rest = space == View::npos ? View() : line.substr(space + 1);
  const auto is = [&](std::string_view wanted) {
    return word.size() == wanted.size() &&
           std::equal(word.begin(), word.end(), wanted.begin(), [](char16_t c, char w) {
             return (c >= u'a' && c <= u'z' ? c - u'a' + u'A' : c) == static_cast<char16_t>(w);
           });
  };
  if (is("REGEDIT4") && rest.empty()) return Version::kRegedit4;
  if (is("WINDOWS") && rest == u"Registry Editor Version 5.00") return Version::kVersion5;
  return Version::kNone;
}

platform::Hkey RootOf(View name) {
  const std::string upper = platform::CharUpperBuffA(platform::WideToAnsi(name));
  if (upper == "HKEY_CURRENT_USER" || upper == "HKCU") return platform::kHkeyCurrentUser;
  if (upper == "HKEY_LOCAL_MACHINE" || upper == "HKLM") return platform::kHkeyLocalMachine;
  return platform::kNoKey;
}

RegFileKey KeyOf(View path, int line, bool deleted) {
  const std::size_t slash = path.find(u'\\');
  const View root = path.substr(0, slash);
  std::string problem;
  std::string below = slash == View::npos ? "" : Ansi(path.substr(slash + 1), problem);
  while (below.ends_with('\\')) below.pop_back();
  if (!problem.empty()) throw Failure{"the key's name " + problem};
  RegFileKey key{};
  key.root = RootOf(root);
  key.root_name = platform::WideToAnsi(root);
  key.key.path = below;
  key.deleted = deleted;
  key.line = line;
  return key;
}

// The lines of a file, each with the number of its first line, continued lines joined.
class Lines {
 public:
  explicit Lines(View text) : rest_(text) {}

  bool Next(Text& logical, int& first) {
    if (rest_.empty()) return false;
    first = ++number_;
    logical.assign(TrimRight(TrimLeft(Physical())));
    while (logical.ends_with(u'\\') && !rest_.empty() && !logical.starts_with(u'[')) {
      logical.pop_back();
      ++number_;
      logical += TrimRight(TrimLeft(Physical()));
    }
    return true;
  }

 private:
  View Physical() {
    const std::size_t end = rest_.find(u'\n');
    const View line = rest_.substr(0, end);
    rest_ = end == View::npos ? View() : rest_.substr(end + 1);
    return line;
  }

  View rest_;
  int number_ = 0;
};

}  // namespace

RegFile ParseRegFile(std::string_view bytes) {
  RegFile file;
  const Decoded decoded = Decode(bytes);
  file.encoding = decoded.encoding;
  Lines lines(decoded.text);
  Text logical;
  int line = 0;
  const Version version = lines.Next(logical, line) ? HeaderVersion(logical) : Version::kNone;
  if (version == Version::kNone) {
    file.error =
        "not a registry file: its first line is neither \"Windows Registry Editor Version 5.00\" "
        "nor \"REGEDIT4\" (read as " +
        file.encoding + ")";
    return file;
  }
  // Where values go: the last key line read; none before the first, or after one not read.
  enum class Section { kNone, kKey, kDeletedKey, kUnreadKey } section = Section::kNone;
  int section_line = 0;
  while (lines.Next(logical, line)) {
    const View text = logical;
    if (text.empty() || text.front() == u';') continue;
    try {
      if (text.front() == u'[') {
        section = Section::kUnreadKey;
        section_line = line;
        const std::size_t close = text.rfind(u']');
        if (close == View::npos) throw Failure{"a key line has no closing \"]\""};
        const bool deleted = text.starts_with(u"[-");
        file.keys.push_back(
            KeyOf(text.substr(deleted ? 2 : 1, close - (deleted ? 2 : 1)), line, deleted));
        section = deleted ? Section::kDeletedKey : Section::kKey;
        continue;
      }
      if (text.front() != u'"' && text.front() != u'@') {
        throw Failure{"the line is neither a key in brackets nor a value"};
      }
      switch (section) {
        case Section::kNone:
          throw Failure{"a value stands before any key"};
        case Section::kUnreadKey:
          throw Failure{"the value's key (line " + std::to_string(section_line) +
                        ") could not be read"};
        case Section::kDeletedKey:
          throw Failure{"the value follows the deletion of its key (line " +
                        std::to_string(section_line) + ")"};
        case Section::kKey:
          break;
      }
      ParsedValue parsed = ParseValue(text, version == Version::kVersion5);
      RegFileKey& key = file.keys.back();
      if (parsed.deletion) {
        key.deleted_values.push_back(parsed.value.name);
      } else {
        key.key.values.push_back(std::move(parsed.value));
      }
    } catch (const Failure& failure) {
      file.unread.push_back({line, failure.reason});
    }
  }
  return file;
}

}  // namespace regcorvex
