// Writing a hive file in Wine's form, with untouched keys as the text they were read from.
#include "platform/posix/wine_registry/format.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/hex.h"
#include "platform/posix/wine_registry/syntax.h"

namespace platform::wine_registry {
namespace {

constexpr std::string_view kHexDigits = "0123456789abcdef";  // as Wine writes them

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
bool Written(Key& key) {
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

// A section with the line break before it, where a file Wine wrote has its blank line. The byte
// before every section is a line feed: a section starts at the start of a line of the text, and
// never at its start, which is the signature line's.
std::string_view SectionText(const Key& key, const TextSection& first, const TextSection& last) {
  return key.text().substr(first.begin - 1, last.end - first.begin + 1);
}

void AppendKey(HiveText& text, Key& key, std::vector<const Key*>& path, KeyText untouched,
               std::string& line_start) {
  // Nothing changed at or below the key: its runs of sections are copied for it and everything
  // below it, whose keys are never made.
  if (untouched == KeyText::kCopy && RunsCopyable(key, path, line_start)) {
    for (const SectionIndex::Run& run : key.runs()) {
      text.Copy(SectionText(key, key.index()->entries[run.first].section,
                            key.index()->entries[run.end - 1].section));
    }
    return;
  }
  if (Written(key) && untouched == KeyText::kCopy && Copyable(key, path, line_start)) {
    // The key itself is as it was read: its own sections are copied, its subkeys follow below.
    for (const TextSection& section : key.sections()) {
      text.Copy(SectionText(key, section, section));
    }
  } else if (Written(key)) {
    // The key changed, or was not read from the text, or is to be formatted: it is written anew.
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
  // Else the key is not written: its subkeys' paths bring it back.
  for (const auto& [folded, subkey] : key.subkeys()) {
    path.push_back(subkey.get());
    AppendKey(text, *subkey, path, untouched, line_start);
    path.pop_back();
  }
}

}  // namespace

void HiveText::Copy(std::string_view span) {
  if (!spans_.empty() && spans_.back().after == formatted_.size()) {
    std::string_view& last = spans_.back().text;
    if (last.data() + last.size() == span.data()) {
      last = std::string_view(last.data(), last.size() + span.size());
      return;
    }
  }
  spans_.push_back({formatted_.size(), span});
}

std::vector<std::string_view> HiveText::Pieces() const {
  std::vector<std::string_view> pieces;
  std::size_t done = 0;
  for (const Span& span : spans_) {
    if (span.after > done) {
      pieces.push_back(std::string_view(formatted_).substr(done, span.after - done));
    }
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
