#include "platform/utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace platform {
namespace {

TEST(Utf8Test, EncodesEachLengthAndReplacesLoneSurrogates) {
  const struct {
    const char* label;
    std::u16string wide;
    std::string utf8;
  } kCases[] = {
      {"empty", u"", ""},
      {"one byte up to U+007F", u"A\x7F", "A\x7F"},
      {"two bytes from U+0080 to U+07FF", u"\x80\x7FF", "\xC2\x80\xDF\xBF"},
      {"three bytes from U+0800 to U+FFFF", u"\x800\xFFFF", "\xE0\xA0\x80\xEF\xBF\xBF"},
      {"a surrogate pair is four bytes", u"\xD83D\xDE00", "\xF0\x9F\x98\x80"},
      {"the last code point", u"\xDBFF\xDFFF", "\xF4\x8F\xBF\xBF"},
      {"a lone high surrogate", u"a\xD800z", "a\xEF\xBF\xBDz"},
      {"a high surrogate at the end", u"a\xD800", "a\xEF\xBF\xBD"},
      {"a low surrogate before a high one", u"\xDC00\xD800", "\xEF\xBF\xBD\xEF\xBF\xBD"},
  };
  for (const auto& c : kCases) EXPECT_EQ(Utf16ToUtf8(c.wide), c.utf8) << c.label;
}

TEST(Utf8Test, DecodesAndReplacesEachMalformedByte) {
  const struct {
    const char* label;
    std::string utf8;
    std::u16string wide;
  } kCases[] = {
      {"each length", "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", u"A\xE9\x20AC\xD83D\xDE00"},
      {"a lone continuation byte", "a\x80z", u"a\xFFFDz"},
      {"a lead byte cut short at the end", "a\xE2\x82", u"a\xFFFD\xFFFD"},
      {"an overlong form", "\xC0\xAF", u"\xFFFD\xFFFD"},
      {"an overlong three-byte form", "\xE0\x80\xAF", u"\xFFFD\xFFFD\xFFFD"},
      {"an encoded surrogate", "\xED\xA0\x80", u"\xFFFD\xFFFD\xFFFD"},
      {"past U+10FFFF", "\xF4\x90\x80\x80", u"\xFFFD\xFFFD\xFFFD\xFFFD"},
  };
  for (const auto& c : kCases) EXPECT_EQ(Utf8ToUtf16(c.utf8), c.wide) << c.label;
}

}  // namespace
}  // namespace platform
