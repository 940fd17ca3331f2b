// The hive text form against Wine's own rules for escapes, value forms and damaged files.
#include "platform/posix/wine_registry/format.h"
#include "platform/posix/wine_registry/read.h"

#include <gtest/gtest.h>

#include <string>

namespace platform::wine_registry {
namespace {

using namespace std::string_literals;

constexpr char kHeader[] =
    "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n";
constexpr char kKeyLines[] = "\n[Software\\\\K] 1796902158\n#time=1dd8899b1fa5ba6\n";

std::string Utf16(std::u16string_view text) {
  std::string bytes;
  for (const char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

// Each value as Wine writes it; parsing that line gives the value back.
TEST(WineRegistryFormatTest, ValuesAreWrittenAsWineWritesThemAndReadBack) {
  const struct {
    const char* label;
    Value value;
    const char* line;
  } rows[] = {
      {"plain string", {u"s", kRegSz, Utf16(u"text\0"s)}, "\"s\"=\"text\"\n"},
      {"quotes and backslashes",
       {u"q\"\\", kRegSz, Utf16(u"a\"b\\c\0"s)},
       "\"q\\\"\\\\\"=\"a\\\"b\\\\c\"\n"},
      {"C escapes",
       {u"c", kRegSz, Utf16(u"\a\b\t\n\v\f\r\x1b\0"s)},
       "\"c\"=\"\\a\\b\\t\\n\\v\\f\\r\\e\"\n"},
      {"octal, short and before a digit",
       {u"o", kRegSz,
        Utf16(u"\x01x\x01"
              u"7\x1f\0"s)},
       "\"o\"=\"\\1x\\0017\\37\"\n"},
      {"non-ASCII, short and before a hex digit",
       {u"\xe9", kRegSz,
        Utf16(u"\x20ac"
              u"a\x20acg\0"s)},
       "\"\\xe9\"=\"\\x20aca\\x20acg\"\n"},
      {"default value", {u"", kRegSz, Utf16(u"d\0"s)}, "@=\"d\"\n"},
      {"expandable string", {u"e", kRegExpandSz, Utf16(u"%X%\0"s)}, "\"e\"=str(2):\"%X%\"\n"},
      {"multi-string", {u"m", kRegMultiSz, Utf16(u"a\0b\0\0"s)}, "\"m\"=str(7):\"a\\0b\\0\"\n"},
      {"string without its NUL", {u"n", kRegSz, Utf16(u"ab"s)}, "\"n\"=hex(1):61,00,62,00\n"},
      {"string of odd length", {u"n", kRegSz, std::string("a\0\0", 3)}, "\"n\"=hex(1):61,00,00\n"},
      {"dword", {u"d", kRegDword, std::string("\x2a\0\0\x80", 4)}, "\"d\"=dword:8000002a\n"},
      {"dword of three bytes",
       {u"d", kRegDword, std::string("\1\2\3", 3)},
       "\"d\"=hex(4):01,02,03\n"},
      {"binary", {u"b", kRegBinary, std::string("\x01\xff", 2)}, "\"b\"=hex:01,ff\n"},
      {"empty binary", {u"b", kRegBinary, ""}, "\"b\"=hex:\n"},
      {"other type",
       {u"q", kRegQword, std::string(8, '\x11')},
       "\"q\"=hex(b):11,11,11,11,11,11,11,11\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.label);
    Hive hive;
    hive.relative_to = "REGISTRY\\\\Machine";
    hive.arch = "win64";
    const auto key = hive.root->AddSubkey(u"Software", 0)->AddSubkey(u"K", 0);
    key->modified = 0x1dd8899b1fa5ba6;
    key->SetValue(row.value);
    const std::string text = FormatHive(hive);
    EXPECT_EQ(text, std::string(kHeader) + kKeyLines + row.line);

    const Hive parsed = ParseHive(text);
    const auto back = parsed.root->FindSubkey(u"Software")->FindSubkey(u"K");
    ASSERT_NE(back, nullptr);
    const Value* value = back->FindValue(row.value.name);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->type, row.value.type);
    EXPECT_EQ(value->data, row.value.data);
  }
}

TEST(WineRegistryFormatTest, KeyNamesEscapeBracketsAndSortAsWineSortsThem) {
  Hive hive;
  const auto software = hive.root->AddSubkey(u"Software", 0);
  for (const char16_t* name : {u"b", u"_u", u"A", u"x[1]"}) software->AddSubkey(name, 0);
  const std::string text = FormatHive(hive);
  // Wine compares lower-cased names: "_" (0x5F) comes before the letters.
  const std::size_t underscore = text.find("[Software\\\\_u]");
  const std::size_t a = text.find("[Software\\\\A]");
  const std::size_t b = text.find("[Software\\\\b]");
  const std::size_t bracket = text.find("[Software\\\\x\\[1\\]]");
  ASSERT_NE(bracket, std::string::npos) << text;
  EXPECT_LT(underscore, a);
  EXPECT_LT(a, b);
  EXPECT_LT(b, bracket);
  EXPECT_NE(ParseHive(text).root->FindSubkey(u"software")->FindSubkey(u"X[1]"), nullptr);
}

// A file the parser does not fully understand is refused with the line, never half read.
TEST(WineRegistryFormatTest, DamagedFilesAreRefusedWithTheirLine) {
  const struct {
    const char* label;
    std::string text;
    const char* line;
  } rows[] = {
      {"no signature", "WINE REGISTRY Version 1\n", "line 1:"},
      {"value before any key", std::string(kHeader) + "\"v\"=dword:1\n", "line 5:"},
      {"unterminated string", std::string(kHeader) + kKeyLines + "\"v\"=\"abc\n", "line 8:"},
      {"unterminated key", std::string(kHeader) + "\n[Software\\\\K 1\n", "line 6:"},
      {"bad dword", std::string(kHeader) + kKeyLines + "\"v\"=dword:12345678z\n", "line 8:"},
      {"bad hex", std::string(kHeader) + kKeyLines + "\"v\"=hex:01,zz\n", "line 8:"},
      {"hex continued past the end", std::string(kHeader) + kKeyLines + "\"v\"=hex:01,\\\n",
       "line 8:"},
      {"unknown type", std::string(kHeader) + kKeyLines + "\"v\"=qword:1\n", "line 8:"},
      {"unknown architecture", "WINE REGISTRY Version 2\n#arch=arm\n", "line 2:"},
      {"stray text", std::string(kHeader) + kKeyLines + "garbage\n", "line 8:"},
      {"bad UTF-8", std::string(kHeader) + kKeyLines + "\"v\"=\"\xff\"\n", "line 8:"},
      {"key name too long", std::string(kHeader) + "\n[" + std::string(257, 'k') + "]\n",
       "line 6:"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.label);
    try {
      ParseHive(row.text);
      ADD_FAILURE() << "accepted";
    } catch (const FormatError& e) {
      EXPECT_EQ(std::string(e.what()).rfind(row.line, 0), 0u) << e.what();
    }
  }
}

}  // namespace
}  // namespace platform::wine_registry
