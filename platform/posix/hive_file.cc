#include "platform/posix/hive_file.h"

#include <cinttypes>
#include <cstdio>

#include "platform/posix/utf8.h"
#include "platform/win_types.h"

namespace platform {
namespace {

constexpr std::uint64_t kUnixEpoch = 116444736000000000ull;
constexpr std::uint64_t kTicksPerSecond = 10000000ull;
constexpr std::string_view kCEscapes = ".......abtnvfr.............e....";

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Parses an escaped string from the start of text up to the unescaped end character; returns
// the number of characters read including the end character, or 0 when it is missing.
std::size_t Unescape(std::string_view text, char end, std::u16string& out) {
  std::size_t i = 0;
  std::string raw;  // a run of plain bytes, decoded as UTF-8 when it ends
  const auto flush = [&] {
    out += Utf8ToUtf16(raw);
    raw.clear();
  };
  while (i < text.size() && text[i] != end) {
    if (text[i] != '\\') {
      raw.push_back(text[i++]);
      continue;
    }
    flush();
    if (++i == text.size()) return 0;
    const char c = text[i++];
    const auto escape = kCEscapes.find(c);
    if (c == 'x') {
      unsigned unit = 0;
      int digits = 0;
      for (; digits < 4 && i < text.size() && HexDigit(text[i]) >= 0; ++digits) {
        unit = unit * 16 + static_cast<unsigned>(HexDigit(text[i++]));
      }
      out.push_back(digits == 0 ? u'x' : static_cast<char16_t>(unit));
    } else if (c >= '0' && c <= '7') {
      unsigned unit = static_cast<unsigned>(c - '0');
      for (int digits = 1; digits < 3 && i < text.size() && text[i] >= '0' && text[i] <= '7';
           ++digits) {
        unit = unit * 8 + static_cast<unsigned>(text[i++] - '0');
      }
      out.push_back(static_cast<char16_t>(unit));
    } else if (escape != std::string_view::npos && c != '.') {
      out.push_back(static_cast<char16_t>(escape));
    } else {
      raw.push_back(c);
    }
  }
  flush();
  return i < text.size() ? i + 1 : 0;
}

// Wine's escaping of a name or string; returns the number of characters appended.
std::size_t AppendEscaped(std::u16string_view text, std::string_view escaped, std::string& out) {
  const std::size_t start = out.size();
  char buffer[16];
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    const bool next_is_digit = i + 1 < text.size() && text[i + 1] < 128;
    if (c > 127) {
      const bool hex_follows = next_is_digit && HexDigit(static_cast<char>(text[i + 1])) >= 0;
      std::snprintf(buffer, sizeof(buffer), hex_follows ? "\\x%04x" : "\\x%x", unsigned{c});
      out += buffer;
    } else if (c < 32) {
      if (kCEscapes[c] != '.') {
        out += '\\';
        out += kCEscapes[c];
      } else {
        const bool octal_follows = next_is_digit && text[i + 1] >= '0' && text[i + 1] <= '7';
        std::snprintf(buffer, sizeof(buffer), octal_follows ? "\\%03o" : "\\%o", unsigned{c});
        out += buffer;
      }
    } else {
      if (c == '\\' || escaped.find(static_cast<char>(c)) != std::string_view::npos) out += '\\';
      out += static_cast<char>(c);
    }
  }
  return out.size() - start;
}

void AppendUtf16Le(std::u16string_view text, std::vector<std::uint8_t>& data) {
  for (const char16_t unit : text) {
    data.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    data.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
}

bool IsStringType(std::uint32_t type) {
  return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

// Reads a hex number at the start of text into value; returns the digits read.
std::size_t ReadHex(std::string_view text, std::uint64_t& value, std::size_t max_digits) {
  std::size_t i = 0;
  value = 0;
  for (; i < text.size() && i < max_digits && HexDigit(text[i]) >= 0; ++i) {
    value = value * 16 + static_cast<std::uint64_t>(HexDigit(text[i]));
  }
  return i;
}

// A parser over the lines of one file; line_ counts from 1 for the messages.
class Parser {
 public:
  Parser(std::string_view text, Hive& hive) : text_(text), hive_(hive) {}

  bool Run(std::string& error) {
    std::string_view line;
    if (!NextLine(line) || line != kHiveSignature) {
      error = "not a Wine registry file";
      return false;
    }
    hive_.root = std::make_unique<HiveKey>(u"", nullptr, 0);
    while (NextLine(line)) {
      if (!ParseLine(line)) {
        error = "line " + std::to_string(line_) + ": " + problem_;
        return false;
      }
    }
    return true;
  }

 private:
  bool NextLine(std::string_view& line) {
    if (position_ >= text_.size()) return false;
    std::size_t end = text_.find('\n', position_);
    if (end == std::string_view::npos) end = text_.size();
    line = text_.substr(position_, end - position_);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    position_ = end + 1;
    ++line_;
    return true;
  }

  bool Fail(std::string problem) {
    problem_ = std::move(problem);
    return false;
  }

  bool ParseLine(std::string_view line) {
    if (line.empty()) return true;
    switch (line.front()) {
      case ';':
        if (line.starts_with(";; All keys relative to ")) hive_.relative_to = line;
        return true;
      case '[':
        return ParseKey(line.substr(1));
      case '#':
        return ParseOption(line);
      case '@':
      case '"':
        if (key_ == nullptr) return Fail("a value before the first key");
        return ParseValue(line);
      default:
        return Fail("unexpected text");
    }
  }

  bool ParseKey(std::string_view line) {
    std::u16string path;
    const std::size_t used = Unescape(line, ']', path);
    if (used == 0) return Fail("a key name without its closing bracket");
    std::string_view rest = line.substr(used);
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    std::uint64_t stamp = 0;
    if (ReadHex(rest, stamp, 0) != rest.size()) {
      stamp = 0;
      for (const char c : rest) {
        if (c < '0' || c > '9') return Fail("a key stamp that is not a number");
        stamp = stamp * 10 + static_cast<std::uint64_t>(c - '0');
      }
    }
    const std::uint64_t modified = stamp * kTicksPerSecond + kUnixEpoch;
    HiveKey* key = hive_.root.get();
    std::size_t start = 0;
    while (start <= path.size()) {
      std::size_t end = path.find(u'\\', start);
      if (end == std::u16string::npos) end = path.size();
      if (end > start)
        key = key->AddSubkey(std::u16string_view(path).substr(start, end - start), modified);
      start = end + 1;
    }
    key->set_modified(modified);
    key_ = key;
    return true;
  }

  bool ParseOption(std::string_view line) {
    if (key_ == nullptr) {
      if (line.starts_with("#arch=")) hive_.arch = line.substr(6);
      return true;
    }
    if (line.starts_with("#time=")) {
      std::uint64_t time = 0;
      if (line.size() == 6 || ReadHex(line.substr(6), time, 16) != line.size() - 6) {
        return Fail("a #time line that is not a hex number");
      }
      key_->set_modified(time);
      return true;
    }
    key_->options().emplace_back(line);
    return true;
  }

  bool ParseValue(std::string_view line) {
    HiveValue value;
    std::size_t used = 1;
    if (line.front() == '"') {
      used = Unescape(line.substr(1), '"', value.name);
      if (used == 0) return Fail("a value name without its closing quote");
      ++used;
    }
    if (used >= line.size() || line[used] != '=') return Fail("a value without '='");
    std::string_view data = line.substr(used + 1);
    std::uint64_t number = 0;
    if (data.starts_with("str")) {
      value.type = kRegSz;
      data.remove_prefix(3);
      if (data.starts_with("(")) {
        const std::size_t digits = ReadHex(data.substr(1), number, 8);
        if (digits == 0 || data.substr(1 + digits, 2) != "):") return Fail("a bad str(N): type");
        value.type = static_cast<std::uint32_t>(number);
        data.remove_prefix(digits + 3);
      } else if (data.starts_with(":")) {
        data.remove_prefix(1);
      } else {
        return Fail("unknown value data");
      }
      if (!data.starts_with("\"")) return Fail("a string without its opening quote");
    }
    if (data.starts_with("\"")) {
      if (value.type == 0) value.type = kRegSz;
      std::u16string text;
      const std::size_t length = Unescape(data.substr(1), '"', text);
      if (length == 0 || length + 1 != data.size()) return Fail("a badly quoted string");
      text.push_back(u'\0');
      AppendUtf16Le(text, value.data);
    } else if (data.starts_with("dword:")) {
      data.remove_prefix(6);
      if (data.empty() || ReadHex(data, number, 8) != data.size()) return Fail("a bad dword");
      value.type = kRegDword;
      for (int shift = 0; shift < 32; shift += 8) {
        value.data.push_back(static_cast<std::uint8_t>(number >> shift));
      }
    } else if (data.starts_with("hex")) {
      if (!ParseHexData(data.substr(3), value)) return false;
    } else {
      return Fail("unknown value data");
    }
    key_->SetValue(std::move(value));
    return true;
  }

  // "hex:" or "hex(N):" and the bytes, which may go on over lines ending in a backslash.
  bool ParseHexData(std::string_view data, HiveValue& value) {
    std::uint64_t number = kRegBinary;
    if (data.starts_with("(")) {
      const std::size_t digits = ReadHex(data.substr(1), number, 8);
      if (digits == 0 || data.substr(1 + digits, 1) != ")") return Fail("a bad hex(N): type");
      data.remove_prefix(digits + 2);
    }
    if (!data.starts_with(":")) return Fail("unknown value data");
    data.remove_prefix(1);
    value.type = static_cast<std::uint32_t>(number);
    for (;;) {
      while (!data.empty() && (data.front() == ' ' || data.front() == '\t')) data.remove_prefix(1);
      if (data.empty()) return true;
      if (data == "\\") {
        if (!NextLine(data)) return Fail("a hex value that ends after a backslash");
        continue;
      }
      const std::size_t digits = ReadHex(data, number, 2);
      if (digits == 0) return Fail("a bad byte in hex data");
      value.data.push_back(static_cast<std::uint8_t>(number));
      data.remove_prefix(digits);
      if (data.starts_with(",")) {
        data.remove_prefix(1);
      } else if (!data.empty() && data != "\\") {
        return Fail("a bad byte in hex data");
      }
    }
  }

  std::string_view text_;
  Hive& hive_;
  std::size_t position_ = 0;
  std::size_t line_ = 0;
  HiveKey* key_ = nullptr;
  std::string problem_;
};

void AppendValue(const HiveValue& value, std::string& out) {
  std::size_t count = 2;
  if (value.name.empty()) {
    out += "@=";
  } else {
    out += '"';
    count = 3 + AppendEscaped(value.name, "\"", out);
    out += "\"=";
  }
  const std::vector<std::uint8_t>& data = value.data;
  char buffer[32];
  if (IsStringType(value.type) && data.size() >= 2 && data.size() % 2 == 0 &&
      data[data.size() - 1] == 0 && data[data.size() - 2] == 0) {
    if (value.type != kRegSz) {
      std::snprintf(buffer, sizeof(buffer), "str(%" PRIx32 "):", value.type);
      out += buffer;
    }
    std::u16string text(data.size() / 2 - 1, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
      text[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
    }
    out += '"';
    AppendEscaped(text, "\"", out);
    out += "\"\n";
    return;
  }
  if (value.type == kRegDword && data.size() == 4) {
    const std::uint32_t number =
        static_cast<std::uint32_t>(data[0] | data[1] << 8 | data[2] << 16 | data[3] << 24);
    std::snprintf(buffer, sizeof(buffer), "dword:%08" PRIx32 "\n", number);
    out += buffer;
    return;
  }
  if (value.type == kRegBinary) {
    out += "hex:";
    count += 4;
  } else {
    const int length = std::snprintf(buffer, sizeof(buffer), "hex(%" PRIx32 "):", value.type);
    out += buffer;
    count += static_cast<std::size_t>(length);
  }
  static constexpr char kDigits[] = "0123456789abcdef";
  for (std::size_t i = 0; i < data.size(); ++i) {
    out += kDigits[data[i] >> 4];
    out += kDigits[data[i] & 0xF];
    count += 2;
    if (i + 1 < data.size()) {
      out += ',';
      if (++count > 76) {
        out += "\\\n  ";
        count = 2;
      }
    }
  }
  out += '\n';
}

// Wine writes a key when it has values, options or no subkeys; the others come back from the
// paths of their subkeys.
void AppendKey(const HiveKey& key, std::string& path, std::string& out) {
  if (!key.values().empty() || key.subkeys().empty() || !key.options().empty()) {
    char buffer[64];
    const auto seconds = static_cast<std::int64_t>(key.modified() - kUnixEpoch) /
                         static_cast<std::int64_t>(kTicksPerSecond);
    std::snprintf(buffer, sizeof(buffer), "] %" PRIu32 "\n#time=%" PRIx32 "%08" PRIx32 "\n",
                  static_cast<std::uint32_t>(seconds),
                  static_cast<std::uint32_t>(key.modified() >> 32),
                  static_cast<std::uint32_t>(key.modified()));
    out += "\n[";
    out += path;
    out += buffer;
    for (const std::string& option : key.options()) {
      out += option;
      out += '\n';
    }
    for (const auto& [name, value] : key.values()) AppendValue(value, out);
  }
  for (const auto& [name, subkey] : key.subkeys()) {
    const std::size_t length = path.size();
    if (length != 0) path += "\\\\";
    AppendEscaped(name, "[]", path);
    AppendKey(*subkey, path, out);
    path.resize(length);
  }
}

}  // namespace

bool ParseHive(std::string_view text, Hive& hive, std::string& error) {
  return Parser(text, hive).Run(error);
}

std::string SerializeHive(const Hive& hive) {
  std::string out;
  out.reserve(1 << 16);
  out += kHiveSignature;
  out += '\n';
  out += hive.relative_to;
  out += '\n';
  if (!hive.arch.empty()) {
    out += "\n#arch=";
    out += hive.arch;
    out += '\n';
  }
  std::string path;
  AppendKey(*hive.root, path, out);
  return out;
}

}  // namespace platform
