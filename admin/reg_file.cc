#include "admin/reg_file.h"

#include <cstdint>
#include <optional>

#include "platform/code_page.h"
#include "platform/hex.h"

namespace regcorvex {
namespace {

using Text = std::u16string;
using View = std::u16string_view;

constexpr View kRegedit4 = u"REGEDIT4";
constexpr View kVersion5 = u"Windows Registry Editor Version 5.00";

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

// The value of a value line; none for a deletion ("name"=-).
std::optional<TreeValue> ParseValue(View line, bool wide_file) {
  TreeValue value;
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
    if (wide_file && text_type) value.data = AnsiBytes(value.data, value.problem);
  } else if (rest == u"-") {
    return std::nullopt;
  } else {
    throw Failure{"the value's data is none of \"text\", dword:, hex: and hex(N):"};
  }
  return value;
}

// The file's text, after its header, and whether it came as UTF-16.
std::optional<std::pair<Text, bool>> Decode(std::string_view bytes) {
  if (bytes.starts_with("\xFF\xFE")) {
    Text text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                    static_cast<unsigned char>(bytes[i + 1]) << 8);
    }
    if (!text.starts_with(kVersion5)) return std::nullopt;
    return std::pair{text.substr(kVersion5.size()), true};
  }
  const Text text = platform::AnsiToWide(bytes);
  if (!text.starts_with(kRegedit4)) return std::nullopt;
  return std::pair{text.substr(kRegedit4.size()), false};
}

platform::Hkey RootOf(View name) {
  const std::string upper = platform::CharUpperBuffA(platform::WideToAnsi(name));
  if (upper == "HKEY_CURRENT_USER" || upper == "HKCU") return platform::kHkeyCurrentUser;
  if (upper == "HKEY_LOCAL_MACHINE" || upper == "HKLM") return platform::kHkeyLocalMachine;
  return platform::kNoKey;
}

}  // namespace

RegFile ParseRegFile(std::string_view bytes) {
  RegFile file;
  const auto decoded = Decode(bytes);
  if (!decoded) {
    file.error =
        "not a registry file: it starts neither with REGEDIT4 nor, in UTF-16, with \"Windows "
        "Registry Editor Version 5.00\"";
    file.line = 1;
    return file;
  }
  const auto& [text, wide_file] = *decoded;
  View rest = text;
  int line_number = 1;
  const auto next_line = [&]() {
    const std::size_t end = rest.find(u'\n');
    const View line = rest.substr(0, end);
    rest = end == View::npos ? View() : rest.substr(end + 1);
    return line;
  };
  next_line();  // the rest of the header line
  enum class Section { kNone, kKey, kDeletedKey } section = Section::kNone;
  int first_line = 1;
  try {
    while (!rest.empty()) {
      first_line = ++line_number;
      Text logical(TrimRight(TrimLeft(next_line())));
      while (logical.ends_with(u'\\') && !rest.empty() && !logical.starts_with(u'[')) {
        logical.pop_back();
        ++line_number;
        logical += TrimRight(TrimLeft(next_line()));
      }
      const View line = logical;
      if (line.empty() || line.front() == u';') continue;
      if (line.front() == u'[') {
        const std::size_t close = line.rfind(u']');
        if (close == View::npos) throw Failure{"a key line has no closing \"]\""};
        const View path = line.substr(1, close - 1);
        section = path.starts_with(u'-') ? Section::kDeletedKey : Section::kKey;
        if (section == Section::kDeletedKey) continue;
        const std::size_t slash = path.find(u'\\');
        const View root = path.substr(0, slash);
        std::string problem;
        std::string below = slash == View::npos ? "" : Ansi(path.substr(slash + 1), problem);
        while (below.ends_with('\\')) below.pop_back();
        if (!problem.empty()) throw Failure{"the key's name " + problem};
        file.keys.push_back({RootOf(root), platform::WideToAnsi(root), TreeKey{below, {}, 0}});
        continue;
      }
      if (line.front() != u'"' && line.front() != u'@') {
        throw Failure{"a line is neither a key in brackets nor a value"};
      }
      if (section == Section::kNone) throw Failure{"a value stands before any key"};
      std::optional<TreeValue> value = ParseValue(line, wide_file);
      if (section == Section::kKey && value) file.keys.back().key.values.push_back(*value);
    }
  } catch (const Failure& failure) {
    file.error = failure.reason;
    file.line = first_line;
  }
  return file;
}

}  // namespace regcorvex
