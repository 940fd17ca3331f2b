#include "admin/document_spelling.h"

#include <cstdio>

#include "admin/report_text.h"
#include "import/document_format.h"

namespace regcorvex {
namespace {

std::string ByteName(char c) {
  char text[32];
  const auto byte = static_cast<unsigned char>(c);
  if (byte >= 0x20 && byte < 0x7F) {
    std::snprintf(text, sizeof text, "'%c'", c);
  } else {
    std::snprintf(text, sizeof text, "byte 0x%02X", byte);
  }
  return text;
}

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Code page 1252's letters that every XML parser takes in a name: those of Latin-1 (U+00C0 to
// U+00FF without the multiplication and division signs).
bool IsLatinLetter(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 0xC0 && byte != 0xD7 && byte != 0xF7;
}

}  // namespace

Spelling SpellElementName(std::string_view name, std::string_view what) {
  const std::string subject = "its " + std::string(what);
  if (name.empty()) return {{}, subject + " is empty, and no element name is"};
  if (name.find('_') != std::string_view::npos) {
    return {{}, subject + " holds \"_\", which the import reads as a space"};
  }
  const char first = name.front();
  if ((first >= '0' && first <= '9') || first == '.' || first == '-') {
    return {{}, subject + " starts with " + ByteName(first) + ", which no element name can"};
  }
  std::string spelled;
  for (const char c : name) {
    if (c == ' ') {
      spelled += '_';
    } else if (c == '[') {
      spelled += "_0x5B_";
    } else if (c == ']') {
      spelled += "_0x5D_";
    } else if (c == '$') {
      spelled += "_0x24_";
    } else if (IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
               IsLatinLetter(c)) {
      spelled += c;
    } else {
      return {{}, subject + " holds " + ByteName(c) + ", which no element name can spell"};
    }
  }
  const std::string decoded = DecodeElementName(spelled);
  if (decoded != name) {
    return {{}, subject + " would read back as " + Quoted(AnsiToUtf8(decoded))};
  }
  return {AnsiToUtf8(spelled), {}};
}

Spelling SpellValueText(std::string_view text) {
  if (text.find('_') != std::string_view::npos) {
    return {{}, "its text holds \"_\", which the import reads as a space"};
  }
  bool white_only = !text.empty();
  std::string escaped;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 && c != '\t' && c != '\n' && c != '\r') {
      return {{},
              "its text holds the control character " + ByteName(c) +
                  ", which no XML document can hold"};
    }
    white_only = white_only && (c == '\t' || c == '\n' || c == '\r');
    if (c == ' ') {
      escaped += '_';
    } else if (c == '[') {
      escaped += "_0x5B_";
    } else if (c == ']') {
      escaped += "_0x5D_";
    } else if (c == '&') {
      escaped += "&amp;";
    } else if (c == '$') {
      escaped += "&#36;";
    } else {
      escaped += c;
    }
  }
  if (white_only) {
    return {{}, "its text is tabs and line breaks only, which the document's parser drops"};
  }
  const std::string decoded = DecodeValueText(escaped);
  if (decoded != text) return {{}, "its text would read back as " + Quoted(AnsiToUtf8(decoded))};
  std::string xml;
  for (const char c : escaped) {
    switch (c) {
      case '&':
        xml += "&amp;";
        break;
      case '<':
        xml += "&lt;";
        break;
      case '>':
        xml += "&gt;";
        break;
      case '\t':
        xml += "&#9;";
        break;
      case '\n':
        xml += "&#10;";
        break;
      case '\r':
        xml += "&#13;";
        break;
      default:
        xml += c;
    }
  }
  return {AnsiToUtf8(xml), {}};
}

}  // namespace regcorvex
