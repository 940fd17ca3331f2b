#include "platform/posix/wine_registry/format.h"

#include <algorithm>
#include <optional>
#include <type_traits>
#include <vector>

#include "platform/hex.h"
#include "platform/posix/wine_registry/data.h"

namespace platform::wine_registry {
namespace {

constexpr std::string_view kSignature = "WINE REGISTRY Version 2";
constexpr std::string_view kRelativeTo = ";; All keys relative to ";
constexpr std::string_view kHexDigits = "0123456789abcdef";  // as Wine writes them

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view TrimLeft(std::string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  return text;
}

std::string_view TrimRight(std::string_view text) {
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return text;
}

// Hands out the file's lines and raises errors that name the current one.
class LineReader {
 public:
  // Reads text from position on; number is the number of the line before it.
  explicit LineReader(std::string_view text, std::size_t position = 0, int number = 0)
      : text_(text), position_(position), number_(number) {}

  std::optional<std::string_view> Next() {
    if (position_ >= text_.size()) return std::nullopt;
    std::size_t end = text_.find('\n', position_);
    if (end == std::string_view::npos) end = text_.size();
    const std::string_view line = text_.substr(position_, end - position_);
    position_ = end + 1;
    ++number_;
    return line;
  }

  // Where the next line starts: the end of the lines read so far.
  std::size_t position() const { return std::min(position_, text_.size()); }

  int number() const { return number_; }

  [[noreturn]] void Fail(const std::string& what) const {
    throw FormatError("line " + std::to_string(number_) + ": " + what);
  }

 private:
  std::string_view text_;
  std::size_t position_ = 0;
  int number_ = 0;
};

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

// Stands in for the text or bytes a parse would build, where only whether the line is sound
// matters.
struct Discard {
  template <typename T>
  void push_back(T) {}
};

// A value line read only to check it.
struct CheckedValue {
  Discard name;
  Dword type = kRegNone;
  Discard data;
};

template <typename Out>
void AppendCodePoint(Out& out, char32_t code) {
  if (code < 0x10000) {
    out.push_back(static_cast<char16_t>(code));
  } else {
    out.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
  }
}

// Reads an escaped string up to its unescaped end character, which it consumes. The escapes are
// Wine's: C escapes, "\x" with up to four hex digits, octal with up to three digits, and a
// backslash before any other character standing for that character.
// Out is std::u16string, or Discard to check the string alone.
template <typename Out>
bool ParseString(std::string_view& text, char end, Out& result) {
  static constexpr std::string_view kLetters = "abtnvfre";
  static constexpr char16_t kControls[] = {7, 8, 9, 10, 11, 12, 13, 27};
  while (!text.empty() && text.front() != end) {
    const char c = text.front();
    if (static_cast<unsigned char>(c) >= 0x80) {
      const auto code = DecodeUtf8(text);
      if (!code) return false;
      AppendCodePoint(result, *code);
      continue;
    }
    text.remove_prefix(1);
    if (c != '\\') {
      result.push_back(static_cast<char16_t>(c));
      continue;
    }
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

// Reads a value line (and its continuation lines) into value: a Value, or a CheckedValue to check
// the line alone.
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

// A "[path] stamp" line: its path, the spans of the path's names, how many leading names it
// spells as the line before it does, and its stamp.
struct KeyLine {
  struct Name {
    std::size_t start = 0;
    std::size_t size = 0;
  };
  std::u16string path;
  std::vector<Name> names;
  std::size_t shared = 0;
  FileTime stamp = 0;

  std::u16string_view name(std::size_t i) const {
    return std::u16string_view(path).substr(names[i].start, names[i].size);
  }
};

// Reads "[path] stamp" into line, all but line.shared.
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

// How many leading names the two lines spell alike.
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

// Wine's escaping: characters above 127 as "\x" (four digits when a hex digit follows), control
// characters as C or octal escapes, and a backslash before "\" and the two delimiters.
void AppendEscaped(std::string& out, std::u16string_view text, char open, char close) {
  static constexpr std::string_view kEscapes = ".......abtnvfr.............e....";
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    const char16_t next = i + 1 < text.size() ? text[i + 1] : u'\0';
    if (c > 127) {
      const bool hex_follows =
          next != 0 && next < 128 && HexDigitValue(static_cast<char>(next)) >= 0;
      out += "\\x";
      bool started = hex_follows;
      for (int shift = 12; shift >= 0; shift -= 4) {
        const unsigned digit = (c >> shift) & 0xF;
        started = started || digit != 0;
        if (started) out.push_back(kHexDigits[digit]);
      }
    } else if (c < 32) {
      out.push_back('\\');
      if (kEscapes[c] != '.') {
        out.push_back(kEscapes[c]);
        continue;
      }
      const bool octal_follows = i + 1 < text.size() && next >= u'0' && next <= u'7';
      if (octal_follows) out.push_back('0');
      if (octal_follows || c >= 8) out.push_back(static_cast<char>('0' + ((c >> 3) & 7)));
      out.push_back(static_cast<char>('0' + (c & 7)));
    } else {
      const char ascii = static_cast<char>(c);
      if (ascii == '\\' || ascii == open || ascii == close) out.push_back('\\');
      out.push_back(ascii);
    }
  }
}

void AppendHexNumber(std::string& out, std::uint64_t number, int min_digits) {
  char digits[16];
  int count = 0;
  do {
    digits[count++] = kHexDigits[number & 0xF];
    number >>= 4;
  } while (number != 0);
  for (int i = count; i < min_digits; ++i) out.push_back('0');
  while (count > 0) out.push_back(digits[--count]);
}

// Wine writes a string type as text only when the data is whole UTF-16 ending in a NUL.
bool WrittenAsText(const Value& value) {
  if (value.type != kRegSz && value.type != kRegExpandSz && value.type != kRegMultiSz) return false;
  const std::string& data = value.data;
  return data.size() >= 2 && data.size() % 2 == 0 && data[data.size() - 1] == 0 &&
         data[data.size() - 2] == 0;
}

void AppendValue(std::string& out, const Value& value) {
  const std::size_t line_start = out.size();
  if (value.name.empty()) {
    out += "@=";
  } else {
    out.push_back('"');
    AppendEscaped(out, value.name, '"', '"');
    out += "\"=";
  }
  if (WrittenAsText(value)) {
    if (value.type != kRegSz) {
      out += "str(";
      AppendHexNumber(out, value.type, 1);
      out += "):";
    }
    std::u16string text(value.data.size() / 2 - 1, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
      text[i] = static_cast<char16_t>(static_cast<unsigned char>(value.data[2 * i]) |
                                      static_cast<unsigned char>(value.data[2 * i + 1]) << 8);
    }
    out.push_back('"');
    AppendEscaped(out, text, '"', '"');
    out += "\"\n";
    return;
  }
  if (value.type == kRegDword && value.data.size() == 4) {
    Dword number = 0;
    for (int i = 3; i >= 0; --i) number = number << 8 | static_cast<unsigned char>(value.data[i]);
    out += "dword:";
    AppendHexNumber(out, number, 8);
    out.push_back('\n');
    return;
  }
  if (value.type == kRegBinary) {
    out += "hex:";
  } else {
    out += "hex(";
    AppendHexNumber(out, value.type, 1);
    out += "):";
  }
  // Wine breaks the line after the comma that takes it past 76 characters.
  std::size_t count = out.size() - line_start;
  for (std::size_t i = 0; i < value.data.size(); ++i) {
    AppendHexNumber(out, static_cast<unsigned char>(value.data[i]), 2);
    count += 2;
    if (i + 1 < value.data.size()) {
      out.push_back(',');
      if (++count > 76) {
        out += "\\\n  ";
        count = 2;
      }
    }
  }
  out.push_back('\n');
}

// A key is written when it holds values, has no subkeys, or carries a class or a link; the
// others come back by themselves as the parents of the keys below them.
bool Written(const Key& key) {
  return key.HasValues() || key.subkeys().empty() || key.class_name || key.link;
}

// "[path" as Wine writes it: the start of the key's own "[path]" line and of its subkeys' lines.
void AppendKeyPath(std::string& out, const std::vector<const Key*>& path) {
  out.push_back('[');
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (i > 0) out += "\\\\";
    AppendEscaped(out, path[i]->name(), '[', ']');
  }
}

// Whether the key's sections can be copied for it: nothing changed it since it was read, and
// each section names it as Wine writes its path, so that the names the file gives the key and
// its parents stay those of the key wherever its sections now stand.
bool Copyable(const Key& key, const std::vector<const Key*>& path, std::string& line_start) {
  if (!key.Untouched()) return false;
  line_start.clear();
  AppendKeyPath(line_start, path);
  line_start.push_back(']');
  for (const TextSection& section : key.sections()) {
    if (!key.text().substr(section.begin).starts_with(line_start)) return false;
  }
  return true;
}

// Whether the key's runs can be copied for it and all below it: nothing there changed since it
// was read, and each section spells the key's path as Wine writes it. Below the key the runs keep
// the file's order, so the first section that names a key stays the one that names it.
bool RunsCopyable(const Key& key, const std::vector<const Key*>& path, std::string& line_start) {
  if (!key.SubtreeUntouched()) return false;
  line_start.clear();
  AppendKeyPath(line_start, path);
  for (const SectionIndex::Run& run : key.runs()) {
    for (std::uint32_t i = run.first; i < run.end; ++i) {
      const TextSection& section = key.index()->entries[i].section;
      if (!key.text().substr(section.begin).starts_with(line_start)) return false;
    }
  }
  return true;
}

// A section with the line break before it, where a file Wine wrote has its blank line.
std::string_view SectionText(const Key& key, const TextSection& first, const TextSection& last) {
  return key.text().substr(first.begin - 1, last.end - first.begin + 1);
}

void AppendKey(HiveText& text, const Key& key, std::vector<const Key*>& path, KeyText untouched,
               std::string& line_start) {
  if (untouched == KeyText::kCopy && RunsCopyable(key, path, line_start)) {
    for (const SectionIndex::Run& run : key.runs()) {
      text.Copy(SectionText(key, key.index()->entries[run.first].section,
                            key.index()->entries[run.end - 1].section));
    }
    return;
  }
  if (Written(key) && untouched == KeyText::kCopy && Copyable(key, path, line_start)) {
    for (const TextSection& section : key.sections()) {
      text.Copy(SectionText(key, section, section));
    }
  } else if (Written(key)) {
    std::string& out = text.formatted();
    out.push_back('\n');
    AppendKeyPath(out, path);
    out += "] ";
    const FileTime since_1970 =
        key.modified >= kTicks1601To1970 ? key.modified - kTicks1601To1970 : 0;
    out += std::to_string(static_cast<std::uint32_t>(since_1970 / kTicksPerSecond));
    out += "\n#time=";
    AppendHexNumber(out, key.modified >> 32, 1);
    AppendHexNumber(out, key.modified & 0xFFFFFFFFu, 8);
    out.push_back('\n');
    if (key.class_name) {
      out += "#class=\"";
      AppendEscaped(out, *key.class_name, '"', '"');
      out += "\"\n";
    }
    if (key.link) out += "#link\n";
    for (const Value& value : key.values()) AppendValue(out, value);
  }
  for (const auto& [folded, subkey] : key.subkeys()) {
    path.push_back(subkey.get());
    AppendKey(text, *subkey, path, untouched, line_start);
    path.pop_back();
  }
}

// Builds the whole model from the lines ReadHive reads: every key with its values.
class ModelBuilder {
 public:
  explicit ModelBuilder(Hive& hive) : root_(hive.root) {}

  void StartSection(const KeyLine& line, std::size_t /*start*/, int /*number*/) {
    keys_.resize(line.shared);
    for (std::size_t i = line.shared; i < line.names.size(); ++i) {
      Key& parent = keys_.empty() ? *root_ : *keys_.back();
      keys_.push_back(parent.AddSubkey(line.name(i), line.stamp));
    }
    key_ = keys_.empty() ? root_.get() : keys_.back().get();
    key_->modified = line.stamp;
  }
  Key& key() { return *key_; }
  void AddValue(std::string_view content, LineReader& lines) {
    Value value;
    ParseValue(value, content, lines);
    key_->SetValue(std::move(value));
  }
  void EndLine(std::size_t /*end*/) {}

 private:
  std::shared_ptr<Key> root_;
  std::vector<std::shared_ptr<Key>> keys_;  // one a name of the last "[path]" line
  Key* key_ = nullptr;
};

// Indexes the sections from the lines ReadHive reads, and checks their values and options
// without keeping them: a key reads them from its sections when it is made.
class IndexBuilder {
 public:
  void StartSection(const KeyLine& line, std::size_t start, int number) {
    index.entries.push_back({{start, start, number},
                             static_cast<std::uint16_t>(line.names.size()),
                             static_cast<std::uint16_t>(line.shared),
                             false});
  }
  Key& key() { return options_; }
  void AddValue(std::string_view content, LineReader& lines) {
    CheckedValue value;
    ParseValue(value, content, lines);
    index.entries.back().with_values = true;
  }
  void EndLine(std::size_t end) {
    if (!index.entries.empty()) index.entries.back().section.end = end;
  }

  SectionIndex index;

 private:
  Key options_{u"", 0};
};

// Reads the file's header and lines, and hands each section's lines to the builder.
template <typename Builder>
void ReadHive(std::string_view text, Hive& hive, Builder& builder) {
  LineReader lines(text);
  const auto first = lines.Next();
  if (!first || TrimRight(*first) != kSignature) lines.Fail("not a Wine registry file");
  KeyLine line;
  KeyLine previous;
  bool in_key = false;
  for (std::size_t start = lines.position(); const auto next = lines.Next();
       start = lines.position()) {
    const std::string_view content = TrimLeft(*next);
    if (content.empty()) continue;
    switch (content.front()) {
      case '[':
        ParseKeyLine(content, lines, line);
        line.shared = SharedNames(line, previous);
        builder.StartSection(line, start, lines.number());
        std::swap(line, previous);
        in_key = true;
        break;
      case '@':
      case '"':
        if (!in_key) lines.Fail("value outside any key");
        builder.AddValue(content, lines);
        break;
      case '#':
        if (in_key) {
          ParseKeyOption(builder.key(), content, lines);
        } else if (content.starts_with("#arch=")) {
          hive.arch = TrimRight(content.substr(6));
          if (hive.arch != "win32" && hive.arch != "win64") lines.Fail("unknown architecture");
        }
        break;
      case ';':
        if (!in_key && content.starts_with(kRelativeTo)) {
          hive.relative_to = TrimRight(content.substr(kRelativeTo.size()));
        }
        break;
      default:
        lines.Fail("unrecognised line");
    }
    builder.EndLine(lines.position());
  }
}

// Reads the "[path] stamp" line of a section; the reader it returns goes on after it.
LineReader ReadKeyLine(std::string_view text, const TextSection& section, KeyLine& line) {
  LineReader lines(text.substr(0, section.end), section.begin, section.line - 1);
  ParseKeyLine(TrimLeft(*lines.Next()), lines, line);
  return lines;
}

// Gives a key what one of its sections says of it: the stamp, the class and the link.
void ReadSectionHead(Key& key, std::string_view text, const TextSection& section, KeyLine& line) {
  LineReader lines = ReadKeyLine(text, section, line);
  key.modified = line.stamp;
  while (const auto next = lines.Next()) {
    const std::string_view content = TrimLeft(*next);
    if (!content.empty() && content.front() == '#') ParseKeyOption(key, content, lines);
  }
}

}  // namespace

void ReadSectionValues(Key& key, std::string_view text, const TextSection& section) {
  LineReader lines(text.substr(0, section.end), section.begin, section.line - 1);
  lines.Next();  // the "[path]" line
  while (const auto line = lines.Next()) {
    const std::string_view content = TrimLeft(*line);
    if (content.empty() || (content.front() != '@' && content.front() != '"')) continue;
    Value value;
    ParseValue(value, content, lines);
    key.StoreValue(std::move(value));
  }
}

// A key's subkeys are made from its runs, in the file's order. A section of the key itself
// ends a run of a subkey's sections; a section that spells the subkey's name otherwise than the
// one before starts a new run, of the same subkey where the names are the same but for case.
// A subkey starts with the stamp of the first line that names it, as when the whole file is read,
// and then takes what its own sections say.
void ReadSubkeys(Key& key) {
  key.subkeys_unread_ = false;
  key.subkey_cursor_.Reset();
  const SectionIndex& index = *key.index_;
  const std::string_view text = *index.text;
  const std::size_t depth = key.depth_;
  std::vector<Key*> made;
  KeyLine line;
  for (const SectionIndex::Run& run : key.runs_) {
    Key* current = nullptr;
    for (std::uint32_t i = run.first; i < run.end; ++i) {
      const SectionIndex::Entry& entry = index.entries[i];
      if (entry.depth == depth) {
        current = nullptr;
        continue;
      }
      if (current != nullptr && entry.shared > depth) {
        ++current->runs_.back().end;
      } else {
        ReadKeyLine(text, entry.section, line);
        const std::u16string_view name = line.name(depth);
        auto [it, inserted] = key.subkeys_.try_emplace(FoldCase(name));
        if (inserted) {
          it->second = std::make_shared<Key>(std::u16string(name), line.stamp);
          it->second->parent_ = &key;
          it->second->index_ = key.index_;
          it->second->depth_ = depth + 1;
          made.push_back(it->second.get());
        }
        current = it->second.get();
        std::vector<SectionIndex::Run>& runs = current->runs_;
        if (!runs.empty() && runs.back().end == i) {
          ++runs.back().end;
        } else {
          runs.push_back({i, i + 1});
        }
      }
      if (entry.depth == depth + 1) current->AddSection(entry.section, entry.with_values);
    }
  }
  for (Key* subkey : made) {
    for (const TextSection& section : subkey->sections_) {
      ReadSectionHead(*subkey, text, section, line);
    }
    subkey->subkeys_unread_ = true;
    subkey->MarkRead();
  }
}

Hive ParseHive(std::string_view text) {
  Hive hive;
  ModelBuilder builder(hive);
  ReadHive(text, hive, builder);
  return hive;
}

Hive LoadHive(std::shared_ptr<const std::string> text) {
  Hive hive;
  IndexBuilder builder;
  ReadHive(*text, hive, builder);
  builder.index.text = std::move(text);
  auto index = std::make_shared<const SectionIndex>(std::move(builder.index));
  Key& root = *hive.root;
  const auto count = static_cast<std::uint32_t>(index->entries.size());
  root.SetRuns(
      index,
      count == 0 ? std::vector<SectionIndex::Run>{} : std::vector<SectionIndex::Run>{{0, count}},
      0);
  KeyLine line;
  for (const SectionIndex::Entry& entry : index->entries) {
    if (entry.depth != 0) continue;
    root.AddSection(entry.section, entry.with_values);
    ReadSectionHead(root, *index->text, entry.section, line);
  }
  root.MarkRead();
  return hive;
}

void HiveText::Copy(std::string_view span) {
  const bool follows = !spans_.empty() && spans_.back().after == formatted_.size() &&
                       spans_.back().text.data() + spans_.back().text.size() == span.data();
  if (follows) {
    spans_.back().text =
        std::string_view(spans_.back().text.data(), spans_.back().text.size() + span.size());
  } else {
    spans_.push_back({formatted_.size(), span});
  }
}

std::vector<std::string_view> HiveText::Pieces() const {
  std::vector<std::string_view> pieces;
  std::size_t done = 0;
  for (const Span& span : spans_) {
    if (span.after > done)
      pieces.push_back(std::string_view(formatted_).substr(done, span.after - done));
    done = span.after;
    pieces.push_back(span.text);
  }
  if (formatted_.size() > done) pieces.push_back(std::string_view(formatted_).substr(done));
  return pieces;
}

std::string HiveText::Join() const {
  const std::vector<std::string_view> pieces = Pieces();
  std::size_t size = 0;
  for (const std::string_view piece : pieces) size += piece.size();
  std::string joined;
  joined.reserve(size);
  for (const std::string_view piece : pieces) joined += piece;
  return joined;
}

HiveText WriteHive(const Hive& hive, KeyText untouched) {
  HiveText text;
  std::string& out = text.formatted();
  out += kSignature;
  out += '\n';
  out += kRelativeTo;
  out += hive.relative_to;
  out += '\n';
  if (!hive.arch.empty()) out += "\n#arch=" + hive.arch + "\n";
  std::vector<const Key*> path;
  std::string line_start;
  AppendKey(text, *hive.root, path, untouched, line_start);
  return text;
}

std::string FormatHive(const Hive& hive, KeyText untouched) {
  return WriteHive(hive, untouched).Join();
}

}  // namespace platform::wine_registry
