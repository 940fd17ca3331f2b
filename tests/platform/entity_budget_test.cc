// The look at a document's entities before MSXML parses it: what it may not be talked past (the
// DOCTYPE hidden behind a comment, comments and instructions that do not end where they seem to,
// references spelled as character references, attribute defaults, encodings whose bytes hide
// markup), that ordinary entity use still passes, and that its limits grow with the document.
#include "platform/entity_budget.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/document_encoding.h"
#include "platform/xml_document.h"
#include "tests/support/attribute_defaults_document.h"

namespace platform {
namespace {

std::string Repeated(const std::string& text, int count) {
  std::string result;
  for (int i = 0; i < count; ++i) result += text;
  return result;
}

std::string Document(const std::string& subset, const std::string& body,
                     const std::string& prolog = "<?xml version=\"1.0\"?>\n") {
  return prolog + "<!DOCTYPE r [" + subset + "]>\n<r>" + body + "</r>\n";
}

// Entities a0 ("lol") to a<levels - 1>, each made of ten references to the one before, each
// reference spelled as reference spells it ("&a3;" or "&#38;a3;").
std::string Laughs(int levels, const std::string& reference = "&") {
  std::string subset = "<!ENTITY a0 \"lol\">";
  for (int i = 1; i < levels; ++i) {
    subset += "<!ENTITY a" + std::to_string(i) + " \"" +
              Repeated(reference + "a" + std::to_string(i - 1) + ";", 10) + "\">";
  }
  return subset;
}

// The reason MeasureEntityExpansion refuses the document with; empty when it passes.
std::string RefusalOf(const std::string& bytes) {
  try {
    MeasureEntityExpansion(bytes);
  } catch (const XmlLoadError& error) {
    return error.reason();
  }
  return "";
}

std::string Utf16Le(const std::string& ascii) {
  std::string bytes;
  for (char c : ascii) bytes += std::string{c, '\0'};
  return bytes;
}

std::string Ucs4(const std::string& ascii, int order_of_ascii_byte) {
  std::string bytes;
  for (char c : ascii) {
    std::string unit(4, '\0');
    unit[static_cast<std::size_t>(order_of_ascii_byte)] = c;
    bytes += unit;
  }
  return bytes;
}

TEST(EntityBudgetTest, RefusesExpansionHoweverItIsSpelled) {
  const std::string big = "<!ENTITY big \"" + std::string(10000, 'x') + "\">";
  const std::string laughs = Laughs(10);
  struct Case {
    const char* label;
    std::string xml;
    const char* reason = kEntityLimitsReason;
  };
  const Case kCases[] = {
      {"billion laughs", Document(laughs, "&a9;")},
      {"a DOCTYPE in a comment before the real one",
       "<?xml version=\"1.0\"?><!-- <!DOCTYPE x> -->" + Document(laughs, "&a9;", "")},
      {"a DOCTYPE in a processing instruction before the real one",
       "<?xml version=\"1.0\"?><?pi <!DOCTYPE x>?>" + Document(laughs, "&a9;", "")},
      {"references spelled as decimal character references", Document(Laughs(10, "&#38;"), "&a9;")},
      {"references spelled as hexadecimal character references",
       Document(Laughs(10, "&#x26;"), "&a9;")},
      {"an entity name longer than 256 characters",
       Document("<!ENTITY " + std::string(300, 'n') + " \"" + std::string(10000, 'x') + "\">",
                Repeated("&" + std::string(300, 'n') + ";", 200))},
      {"an attribute default applied to every element",
       Document(big + "<!ATTLIST v a CDATA \"&big;\">", Repeated("<v/>", 200)),
       kAttributeDefaultsLimitsReason},
      {"a long literal attribute default",
       Document("<!ATTLIST v a CDATA #IMPLIED b CDATA \"" + std::string(20000, 'x') + "\">",
                Repeated("<v/>", 100)),
       kAttributeDefaultsLimitsReason},
      {"references and defaults that each stay within the limits",
       Document(big + "<!ATTLIST v a CDATA \"" + std::string(6000, 'x') + "\">",
                Repeated("<v/>", 100) + Repeated("&big;<!---->", 60)),
       kAttributeDefaultsLimitsReason},
      {"defaults of the elements an entity makes",
       Document(big + "<!ATTLIST v a CDATA \"&big;\"><!ENTITY e \"<v/><v/>\">",
                Repeated("&e;", 100))},
      {"an element start written as a character reference",
       Document(big + "<!ATTLIST v a CDATA \"&big;\"><!ENTITY e \"&#60;v/>\">",
                Repeated("&e;", 200))},
      {"declarations made by a parameter entity's character references",
       Document("<!ENTITY % p '&#60;!ENTITY a0 \"lol\">" + Laughs(10).substr(18) + "'>%p;",
                "&a9;")},
      {"the first declaration of a name short, a later one long",
       Document("<!ENTITY a \"x\"><!ENTITY a \"" + std::string(10000, 'x') + "\">",
                Repeated("&a;", 200))},
      {"a parameter entity reference inside a declaration",
       Document("<!ENTITY % n \"a\"><!ENTITY %n; \"x\">", "")},
      {"a parameter entity reference in an entity value",
       Document("<!ENTITY % p \"x\"><!ENTITY a \"%p;\">", "&a;")},
      {"UTF-16 without a byte-order mark", Utf16Le(Document(laughs, "&a9;"))},
      {"UTF-16 with a byte-order mark", "\xFF\xFE" + Utf16Le(Document(laughs, "&a9;"))},
      {"UCS-4, big-endian", Ucs4(Document(laughs, "&a9;"), 3)},
      {"UCS-4, unusual byte order", Ucs4(Document(laughs, "&a9;"), 2)},
      // In Shift_JIS 0x81 0x5D is one character: the CDATA section does not end before the
      // comment's start, and the references after its real end are expanded.
      {"a Shift_JIS trail byte that reads as a bracket",
       Document(big, "<![CDATA[\x81]]><!-- ]]>" + Repeated("&big;", 200) + "-->",
                "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>")},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(RefusalOf(c.xml), c.reason) << c.label;
  }
}

// Markup that ends later than it seems to: a comment opened as "<!-->" goes on to the next "-->",
// and a processing instruction opened as "<?>" to the next "?>". What they hide is no markup.
TEST(EntityBudgetTest, ReadsCommentsAndInstructionsToTheirRealEnd) {
  const std::string laughs = Laughs(10);
  const std::string prolog = "<?xml version=\"1.0\"?>";
  struct Case {
    const char* label;
    std::string xml;
  };
  const Case kCases[] = {
      {"\"<!-->\" and an element before the DOCTYPE",
       prolog + "<!--> <x> -->" + Document(laughs, "&a9;", "")},
      {"\"<?>\" and an element before the DOCTYPE",
       prolog + "<?> <x> ?>" + Document(laughs, "&a9;", "")},
      {"\"<!-->\" and the subset's end inside the subset",
       Document("<!--> ] > -->" + laughs, "&a9;")},
      {"\"<?>\" and the subset's end inside the subset", Document("<?> ] > ?>" + laughs, "&a9;")},
      {"\"<!-->\" inside the subset, in UTF-16",
       "\xFF\xFE" + Utf16Le(Document("<!--> ] > -->" + laughs, "&a9;"))},
      {"\"<!-->\" hiding references in the body",
       Document(laughs.substr(0, laughs.find("<!ENTITY a7")), "<!--> --><!-- -->&a6;")},
      {"\"<!-->\" and an element in an entity's own text",
       Document(laughs, "&a9;", prolog + "<!--> <x> -->")},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(RefusalOf(c.xml), kEntityLimitsReason) << c.label;
  }
  const std::string big = "<!ENTITY big \"" + std::string(100000, 'x') + "\">";
  EXPECT_EQ(RefusalOf(Document("<!-- " + big + " --><?pi " + big + " ?><!ENTITY big \"x\">",
                               Repeated("&big;", 100))),
            "")
      << "declarations in a comment or an instruction declare nothing";
}

// Text after a reference joins it into one text, whose copy each later reference adds to: a '>'
// in text (not ending a tag) does not start a new text.
TEST(EntityBudgetTest, CountsTheCopyingOfTextJoinedAcrossReferences) {
  const std::string entity = "<!ENTITY e \"" + std::string(1000, 'x') + "\">";
  EXPECT_EQ(RefusalOf(Document(entity, Repeated("&e;>", 900))), kEntityLimitsReason);
  EXPECT_EQ(RefusalOf(Document(entity, Repeated("<v>&e;</v>", 900))), "") << "texts of their own";
}

// The limits are 1,000,000 characters, or four times the document's bytes where that is more: a
// large document may give many elements their attribute defaults.
TEST(EntityBudgetTest, LimitsGrowWithTheDocument) {
  const std::string large = regcorvex::test::AttributeDefaultsDocument(95000);
  EXPECT_GT(large.size(), 5000000u);
  EXPECT_EQ(RefusalOf(large), "") << "95,000 defaults of 11 characters in 5.8 MB";
  EXPECT_GT(MeasureEntityExpansion(large).characters, 1000000u);

  const std::string entity = "<!ENTITY e \"" + std::string(99, 'x') + "\">";
  const std::string padding = "<!--" + std::string(1000000, ' ') + "-->";
  EXPECT_EQ(RefusalOf(Document(entity, Repeated("<v>&e;</v>", 20000))), kEntityLimitsReason)
      << "1,980,000 characters from 200,000 bytes";
  EXPECT_EQ(RefusalOf(Document(entity, padding + Repeated("<v>&e;</v>", 20000))), "")
      << "1,980,000 characters from 1,200,000 bytes";
  EXPECT_EQ(RefusalOf(Document(entity, padding + Repeated("<v>&e;</v>", 80000))),
            kEntityLimitsReason)
      << "7,920,000 characters from 1,800,000 bytes";
}

TEST(EntityBudgetTest, RefusesEncodingsItCannotReadAsTheParserDoes) {
  struct Case {
    const char* label;
    std::string bytes;
    std::string reason;
  };
  const Case kCases[] = {
      {"UTF-7", "<?xml version=\"1.0\" encoding=\"UTF-7\"?>+ADw-!DOCTYPE r+AD4-<r/>",
       kUnreadableEncodingReason},
      {"an unknown name", "<?xml version=\"1.0\" encoding=\"x-no-such\"?><r/>",
       kUnreadableEncodingReason},
      {"EBCDIC", "\x4C\x6F\xA7\x94\x93\x40", kUnreadableEncodingReason},
      {"UTF-16 declared as UTF-8",
       "\xFF\xFE" + Utf16Le("<?xml version=\"1.0\" encoding=\"UTF-8\"?><r/>"),
       kUnreadableEncodingReason},
      {"8-bit bytes declared as UTF-16", "<?xml version=\"1.0\" encoding=\"UTF-16\"?><r/>",
       kUnreadableEncodingReason},
      {"invalid UTF-8 in a document that declares entities",
       "<?xml version=\"1.0\"?><!-- \xC0< -->" + Document("<!ENTITY a \"x\">", "&a;", ""),
       kEntityLimitsReason},
      {"a UTF-8 mark and another declared encoding, with entities",
       "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>" +
           Document("<!ENTITY a \"x\">", "&a;", ""),
       kEntityLimitsReason},
      {"invalid UTF-8 without a DTD", "<r>\xC0\xFF</r>", ""},
      {"windows-1252", "<?xml version=\"1.0\" encoding=\"windows-1252\"?><r>caf\xE9</r>", ""},
      {"Shift_JIS", "<?xml version=\"1.0\" encoding=\"shift_jis\"?><r>\x82\xA0</r>", ""},
      {"UTF-16 declared as UTF-16",
       "\xFF\xFE" + Utf16Le("<?xml version=\"1.0\" encoding=\"UTF-16\"?><r/>"), ""},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(RefusalOf(c.bytes), c.reason) << c.label;
  }
}

TEST(EntityBudgetTest, MeasuresWhatTheParserExpands) {
  const std::string hundred(100, 'x');
  struct Case {
    const char* label;
    std::string xml;
    std::size_t at_least;
    std::size_t at_most;
  };
  const Case kCases[] = {
      {"no DOCTYPE", "<r>&amp;</r>", 0, 0},
      {"no internal subset", "<!DOCTYPE r SYSTEM \"r.dtd\"><r/>", 0, 0},
      {"an entity used twice", Document("<!ENTITY a \"xyz\">", "&a;<v a=\"&a;\"/>"), 6, 6},
      {"references in comments, CDATA and instructions stay unexpanded",
       Document("<!ENTITY a \"xyz\">", "<!-- &a; --><![CDATA[&a;]]><?pi &a;?>"), 0, 0},
      {"an entity of entities", Document("<!ENTITY a \"xyz\"><!ENTITY b \"&a;&a;\">", "&b;"), 6,
       12},
      {"an attribute default on three elements",
       Document("<!ATTLIST v t CDATA \"str\" u (a|b) #IMPLIED>", "<v/><v></v><v/><w/>"), 12, 12},
      {"5,000 values of 100 characters",
       Document("<!ENTITY a \"" + hundred + "\">", Repeated("<v>&a;</v>", 5000)), 500000, 500000},
  };
  for (const auto& c : kCases) {
    const EntityExpansion expansion = MeasureEntityExpansion(c.xml);
    EXPECT_GE(expansion.characters, c.at_least) << c.label;
    EXPECT_LE(expansion.characters, c.at_most) << c.label;
  }
}

TEST(DocumentEncodingTest, FindsTheEncodingAsTheParserDoes) {
  struct Case {
    const char* label;
    std::string bytes;
    std::u16string units;
    bool exact;
  };
  const Case kCases[] = {
      {"UTF-8 without a declaration", "<r>\xC3\xA9</r>", u"<r>\u00E9</r>", true},
      {"UTF-8 with its mark", "\xEF\xBB\xBF<r/>", u"<r/>", true},
      {"a supplementary character", "<r>\xF0\x9F\x98\x80</r>", u"<r>\U0001F600</r>", true},
      {"an overlong form", "<\xC0\xBC", u"<\uFFFD\uFFFD", false},
      {"UTF-16 big-endian with its mark", std::string("\xFE\xFF\0<\0r\0/\0>", 10), u"<r/>", true},
      {"UTF-16 big-endian without a mark", std::string("\0<\0r\0/\0>", 8), u"<r/>", true},
      {"UCS-4 little-endian", Ucs4("<r/>", 0), u"<r/>", true},
      {"Latin-1", "<?xml version='1.0' encoding='ISO-8859-1'?><r>\xE9</r>",
       u"<?xml version='1.0' encoding='ISO-8859-1'?><r>\u00E9</r>", true},
      {"a Big5 pair whose trail is a letter", "<?xml version=\"1.0\" encoding=\"big5\"?>\xA4r",
       u"<?xml version=\"1.0\" encoding=\"big5\"?>\uA472", true},
      {"a Shift_JIS lead without its trail", "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\x81<",
       u"<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\uFFFD<", false},
  };
  for (const auto& c : kCases) {
    const DocumentText text = DecodeDocument(c.bytes);
    EXPECT_TRUE(text.units == c.units) << c.label;
    EXPECT_EQ(text.exact, c.exact) << c.label;
  }
}

}  // namespace
}  // namespace platform
