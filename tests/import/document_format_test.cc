#include "import/document_format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace regcorvex {
namespace {

struct TextCase {
  const char* label;
  const char* text;
  const char* expected;
};

TEST(DecodeElementNameTest, ReplacesTheNameEscapesInOrder) {
  constexpr TextCase kCases[] = {
      {"brackets", "Item_0x5B_2_0x5D_", "Item[2]"},
      {"underscore", "Last_Used", "Last Used"},
      {"dollar", "_0x24_Temp", "$Temp"},
      {"escape in lower case is none", "Item_0x5b_", "Item 0x5b "},
      {"overlapping escapes: the left one wins", "a_0x5B_0x5D_", "a[0x5D "},
      {"inserted text is not rescanned", "_0x5B__0x5D_", "[]"},
      {"only underscores", "__", "  "},
      {"value escapes are not name escapes", "a&amp;b", "a&amp;b"},
      {"empty", "", ""},
  };
  for (const auto& c : kCases) EXPECT_EQ(DecodeElementName(c.text), c.expected) << c.label;
}

TEST(DecodeValueTextTest, ReplacesTheValueEscapesInOrder) {
  constexpr TextCase kCases[] = {
      {"folder", R"(C:\Program_Files)", R"(C:\Program Files)"},
      {"brackets", "_0x5B_x_0x5D_", "[x]"},
      {"quote", "say_&#34;hi&#34;", "say \"hi\""},
      {"apostrophe", "it&pos;s", "it's"},
      {"ampersand", "A&amp;B", "A&B"},
      {"angle brackets use a dollar", "$lt;b$gt;", "<b>"},
      {"angle brackets with an ampersand are no escape", "&lt;", "&lt;"},
      {"dollar", "&#36;5", "$5"},
      {"step 3 runs before step 5", "&amp;#34;", "&#34;"},
      {"step 5 feeds step 6", "&amp;pos;", "&pos;"},
      {"step 5 feeds step 8", "&amp;#36;", "$"},
      {"no dollar escape in values", "_0x24_", " 0x24 "},
      {"escapes are case-sensitive", "&AMP;", "&AMP;"},
      {"empty", "", ""},
  };
  for (const auto& c : kCases) EXPECT_EQ(DecodeValueText(c.text), c.expected) << c.label;
}

TEST(TextToIntegerTest, ReadsTheWholeSyntaxAndNothingElse) {
  struct Case {
    const char* text;
    std::int32_t expected;
  };
  constexpr Case kCases[] = {
      {"42", 42},
      {"   42", 42},
      {"42 ", 0},
      {"\t42", 0},
      {"+42", 42},
      {"-42", -42},
      {" -7", -7},
      {"- 7", 0},
      {"--7", 0},
      {"1F", 0},
      {"$1F", 31},
      {"0x1F", 31},
      {"0X1f", 31},
      {"x1F", 31},
      {"X1F", 31},
      {"-$10", -16},
      {"$", 0},
      {"0x", 0},
      {"$G", 0},
      {"0", 0},
      {"007", 7},
      {"2147483647", 2147483647},
      {"2147483648", 0},
      {"-2147483648", INT32_MIN},
      {"-2147483649", 0},
      {"99999999999999999999", 0},
      {"$7FFFFFFF", 2147483647},
      {"$80000000", INT32_MIN},
      {"$FFFFFFFF", -1},
      {"$000000000001", 1},
      {"$100000000", 0},
      {"-$FFFFFFFF", 1},
      {"", 0},
      {"   ", 0},
      {"+", 0},
      {"true", 0},
      {"1.5", 0},
      {"1e3", 0},
  };
  for (const auto& c : kCases)
    EXPECT_EQ(TextToInteger(c.text), c.expected) << "\"" << c.text << "\"";
}

TEST(BinaryTextTest, DecodesPairsOfDigitsAndRejectsWhatDoesNotPair) {
  struct Case {
    const char* label;
    const char* text;  // after DecodeValueText
    std::optional<std::vector<std::uint8_t>> expected;
  };
  const Case kCases[] = {
      {"spaced", "0A 1B FF", std::vector<std::uint8_t>{0x0A, 0x1B, 0xFF}},
      {"lower case", "0a1bff", std::vector<std::uint8_t>{0x0A, 0x1B, 0xFF}},
      {"odd count drops the last digit", "0A1B2", std::vector<std::uint8_t>{0x0A, 0x1B}},
      {"one stray character in an odd text is skipped", "0A-1B",
       std::vector<std::uint8_t>{0x0A, 0x1B}},
      {"two stray characters are rejected", "0A-1B-", std::nullopt},
      {"a stray character in an even text is rejected", "0A1G", std::nullopt},
      {"a tab is a character, not a space", "0A\t1B", std::vector<std::uint8_t>{0x0A, 0x1B}},
      {"a tab in an even text is rejected", "0A\t1B\t", std::nullopt},
      {"empty gives zero bytes", "", std::vector<std::uint8_t>{}},
      {"only spaces give zero bytes", "   ", std::vector<std::uint8_t>{}},
      {"one digit gives zero bytes", "A", std::vector<std::uint8_t>{}},
      {"one non-digit gives zero bytes", "-", std::vector<std::uint8_t>{}},
  };
  for (const auto& c : kCases) EXPECT_EQ(BinaryTextToBytes(c.text), c.expected) << c.label;
}

TEST(BinaryTextTest, TakesAnyLength) {
  std::string text;
  for (int i = 0; i < 40000; ++i) text += "A5 ";
  const auto bytes = BinaryTextToBytes(text);
  ASSERT_TRUE(bytes.has_value());
  EXPECT_EQ(bytes->size(), 40000u);
  EXPECT_EQ(bytes->back(), 0xA5);
}

TEST(HexTextToBytesTest, DecodesExactlyTheCountAsked) {
  std::uint8_t bytes[2] = {};
  EXPECT_TRUE(HexTextToBytes("x1y2z3w4", bytes));
  EXPECT_EQ(bytes[0], 0x12);
  EXPECT_EQ(bytes[1], 0x34);
  EXPECT_FALSE(HexTextToBytes("123456", bytes)) << "more digits than the count";
  EXPECT_FALSE(HexTextToBytes("12", bytes)) << "fewer digits than the count";
  EXPECT_TRUE(HexTextToBytes("12345", bytes)) << "an odd last digit is not used";
}

TEST(DocumentIdentityTest, AcceptsThisProductAndNamesAnyOther) {
  struct Case {
    const char16_t* root;
    const char16_t* doctype;
    bool accepted;
    const char* display_name;
  };
  constexpr Case kCases[] = {
      {u"Corvane_5_Preferences", u"Corvane_5_Preferences", true, ""},
      {u"Xyz_4_Preferences", u"Xyz_4_Preferences", false, "Xyz 4"},
      {u"Corvane_5_Preferences", u"Other_Preferences", false, "Other"},
      {u"Other_Preferences", u"Corvane_5_Preferences", false, "Other"},
      {u"corvane_5_preferences", u"corvane_5_preferences", false, "corvane 5 preferences"},
      {u"A_Preferences_B_Preferences", u"x", false, "x"},
      {u"Corvane_5_Preferences", u"A_Preferences_B_Preferences", false, "A B"},
      {u"Corvane_5_Preferences", u"", false, ""},
      {u"Corvane_5_Preferences", u"Caf\u00e9_\u540d_Preferences", false, "Caf\xe9 ?"},
  };
  for (const auto& c : kCases) {
    const DocumentIdentity identity = CheckDocumentIdentity(c.root, c.doctype);
    EXPECT_EQ(identity.accepted, c.accepted) << c.display_name;
    EXPECT_EQ(identity.display_name, c.display_name);
  }
}

TEST(ProductElementNameTest, MatchesTheTitleWithUnderscoresInAnyCase) {
  EXPECT_TRUE(IsProductElementName("Corvane_5"));
  EXPECT_TRUE(IsProductElementName("CORVANE_5"));
  EXPECT_TRUE(IsProductElementName("corvane_5"));
  EXPECT_FALSE(IsProductElementName("Corvane 5"));
  EXPECT_FALSE(IsProductElementName("Corvane_5_"));
  EXPECT_FALSE(IsProductElementName("Corvane_6"));
  EXPECT_FALSE(IsProductElementName(""));
}

}  // namespace
}  // namespace regcorvex
