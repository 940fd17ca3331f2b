#include "admin/report_text.h"

#include <cstdio>

#include "platform/code_page.h"
#include "platform/utf8.h"

namespace regcorvex {
namespace {

std::string Escaped(std::string_view utf8, const char* unicode_format, bool json) {
  std::string out;
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || (json && c == '\\')) {
      out += '\\';
      out += c;
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (byte < 0x20 || byte == 0x7F) {
      char code[8];
      std::snprintf(code, sizeof code, unicode_format, byte);
      out += code;
    } else {
      out += c;
    }
  }
  return "\"" + out + "\"";
}

}  // namespace

std::string AnsiToUtf8(std::string_view text) {
  return platform::Utf16ToUtf8(platform::AnsiToWide(text));
}

std::string Quoted(std::string_view utf8) { return Escaped(utf8, "\\x%02X", false); }

std::string JsonString(std::string_view utf8) { return Escaped(utf8, "\\u%04x", true); }

}  // namespace regcorvex
