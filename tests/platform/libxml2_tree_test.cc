// The native DOM's own tree, built from libxml2's parse events: the document's own entities
// resolved where they are referred to; otherwise what libxml2's tree of the same document shows:
// which nodes are children, how text and CDATA sections join, the attributes, IDs loaded
// unchecked, the text lengths libxml2 refuses, the lines it keeps, and attribute defaults of many
// elements in time proportional to their number.
#include <gtest/gtest.h>

#include <ctime>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "import/document_nodes.h"
#include "platform/posix/xml_document_libxml2.h"
#include "platform/xml_document.h"
#include "tests/support/attribute_defaults_document.h"

namespace platform {
namespace {

using regcorvex::IsTextOnly;
using regcorvex::NodeName;
using regcorvex::ValueText;

constexpr char kProlog[] = "<?xml version=\"1.0\"?>\n";
constexpr char kSubset[] =
    "<!DOCTYPE r [\n"
    "<!ENTITY x \"x\">\n"
    "<!ENTITY empty \"\">\n"
    "<!ENTITY blank \"  \">\n"
    "<!ENTITY mixed \"a<b/>c\">\n"
    "<!ENTITY cdata \"<![CDATA[c]]>\">\n"
    "<!ENTITY comment \"<!--c-->\">\n"
    "<!ENTITY nested \"[&x;&mixed;]\">\n"
    "<!ATTLIST v type CDATA \"integer\" id ID #IMPLIED>\n"
    "]>\n";

// The node's children as "name/type" strings, and its text when it is an element that holds text
// alone.
std::string Shape(XmlDocument& document, XmlNode node) {
  std::string shape;
  for (std::size_t i = 0; i < document.ChildCount(node); ++i) {
    const XmlNode child = document.Child(node, i);
    shape += NodeName(document, child) + "/" +
             std::to_string(static_cast<int>(document.Type(child))) + " ";
  }
  if (IsTextOnly(document, node)) shape += "\"" + ValueText(document, node) + "\"";
  return shape;
}

TEST(Libxml2TreeTest, ResolvesReferencesAndJoinsTextAndCData) {
  struct Case {
    const char* label;
    const char* body;  // the content of v
    const char* shape;
  };
  constexpr Case kCases[] = {
      {"a reference joins the texts around it", "a&x;b", "#text/3 \"axb\""},
      {"a reference alone is the element's text", "&x;", "#text/3 \"x\""},
      {"predefined, character and nested entity references join", "&lt;&x;&#65;&nested;",
       "#text/3 b/1 #text/3 "},
      {"an empty expansion leaves the texts around it joined", "a&empty;b", "#text/3 \"ab\""},
      {"white space from an entity alone is dropped", "&blank;", ""},
      {"white space from an entity beside text is kept in it", "a&blank;", "#text/3 \"a  \""},
      {"markup from an entity stands where the reference stands", "1&mixed;2",
       "#text/3 b/1 #text/3 "},
      {"adjacent CDATA sections are one", "<![CDATA[a]]><![CDATA[b]]>", "#cdata-section/4 "},
      {"white space keeps CDATA sections apart", "<![CDATA[a]]> <![CDATA[b]]>",
       "#cdata-section/4 #cdata-section/4 "},
      {"a CDATA section in an expansion joins none before it", "<![CDATA[a]]>&cdata;",
       "#cdata-section/4 #cdata-section/4 "},
      {"a CDATA section joins none an expansion ends with", "&cdata;<![CDATA[a]]>",
       "#cdata-section/4 #cdata-section/4 "},
      {"a CDATA section from an entity alone is no text", "&cdata;", "#cdata-section/4 "},
      {"text beside CDATA stays apart", "a<![CDATA[b]]>c", "#text/3 #cdata-section/4 #text/3 "},
      {"comments and instructions are listed", "<!--a-->&comment;<?p d?>",
       "#comment/8 #comment/8 p/7 "},
      {"white space is dropped whatever xml:space says", "<w xml:space=\"preserve\"> <u>\t</u></w>",
       "w/1 "},
      {"a reference in an attribute value is expanded there", "<w a=\"&x;\"/>", "w/1 "},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    const auto document =
        ParseXmlDocument(std::string(kProlog) + kSubset + "<r><v>" + c.body + "</v></r>");
    EXPECT_EQ(Shape(*document, document->Child(document->RootElement(), 0)), c.shape);
  }
  const auto preserved =
      ParseXmlDocument(std::string(kProlog) + "<r xml:space=\"preserve\"><u> </u>\n<w>\t</w></r>");
  EXPECT_EQ(Shape(*preserved, preserved->RootElement()), "u/1 w/1 ");
  EXPECT_EQ(Shape(*preserved, preserved->Child(preserved->RootElement(), 0)), "");
}

TEST(Libxml2TreeTest, ShowsTheAttributesTheDocumentAndItsDtdGive) {
  const auto document = ParseXmlDocument(std::string(kProlog) + kSubset +
                                         "<r xmlns:q=\"urn:q\"><v>1</v><v type=\"string\" "
                                         "q:type=\"q\" x=\"&x;&lt;\">2</v></r>");
  const XmlNode root = document->RootElement();
  EXPECT_EQ(document->Attribute(document->Child(root, 0), u"type"), u"integer")
      << "a default of the DTD";
  const XmlNode given = document->Child(root, 1);
  EXPECT_EQ(document->Attribute(given, u"type"), u"string");
  EXPECT_EQ(document->Attribute(given, u"q:type"), u"q");
  EXPECT_EQ(document->Attribute(given, u"x"), u"x<");
  EXPECT_EQ(document->Attribute(given, u"xmlns:q"), std::nullopt);
  EXPECT_EQ(document->Attribute(root, u"xmlns:q"), std::nullopt) << "a namespace declaration";
}

// The document is loaded without validation: IDs are attributes like any other, whatever libxml2's
// own tree (which registers them) would say of them.
TEST(Libxml2TreeTest, LoadsIdsWithoutCheckingThem) {
  constexpr const char* kBodies[] = {
      "<v id=\"a\"/>\n<v id=\"a\"/>",          // an ID of the DTD given twice
      "<w xml:id=\"a\"/>\n<w xml:id=\"a\"/>",  // an xml:id given twice
      "<v id=\"a\"/>\n<w xml:id=\"a\"/>",      // an ID of the DTD and an xml:id alike
      "\n<w xml:id=\"1 2\"/>",                 // an xml:id that is no NCName
  };
  for (const char* body : kBodies) {
    SCOPED_TRACE(body);
    const auto document = ParseXmlDocument(std::string(kProlog) + kSubset + "<r>" + body + "</r>");
    const XmlNode last =
        document->Child(document->RootElement(), document->ChildCount(document->RootElement()) - 1);
    EXPECT_TRUE(document->Attribute(last, u"id") || document->Attribute(last, u"xml:id"));
  }
  // Nor does an xml:id that the DTD declares other than as an ID fail the load.
  EXPECT_NO_THROW(ParseXmlDocument(std::string(kProlog) +
                                   "<!DOCTYPE r [<!ATTLIST r xml:id CDATA #IMPLIED>]><r/>"));
}

// libxml2 refuses to grow a text node of the document past 10,000,000 bytes; it hands on a run of
// plain text whole, so a reference after the run makes the text grow.
TEST(Libxml2TreeTest, RefusesOneTextLongerThanLibxml2Allows) {
  const auto text = [](std::size_t length) {
    return std::string(kProlog) + "<r>" + std::string(length, 'y') + "&lt;</r>";
  };
  const auto longest = ParseXmlDocument(text(9999999));
  EXPECT_EQ(longest->Text(longest->RootElement()).size(), 10000000u);
  try {
    ParseXmlDocument(text(10000000));
    ADD_FAILURE() << "the document loaded";
  } catch (const XmlLoadError& error) {
    EXPECT_EQ(error.reason(), "xmlSAX2Characters: huge text node");
    EXPECT_EQ(error.line(), 2);
  }
}

TEST(Libxml2TreeTest, KeepsTheLinesLibxml2Keeps) {
  std::string long_document = std::string(kProlog) + "<r>\n";
  for (int i = 0; i < 70000; ++i) long_document += "<a/>\n";
  long_document += "<last/></r>";
  const auto document = ParseXmlDocument(std::string(kProlog) + kSubset +
                                         "<r>\n"
                                         "<v\n"
                                         "id=\"a\">1</v>&mixed;\n"
                                         "<!--c--><![CDATA[d]]>\n"
                                         "<![CDATA[e]]></r>");
  const XmlNode root = document->RootElement();
  std::vector<std::pair<int, int>> positions{document->Position(root)};
  for (std::size_t i = 0; i < document->ChildCount(root); ++i)
    positions.push_back(document->Position(document->Child(root, i)));
  EXPECT_EQ(positions, (std::vector<std::pair<int, int>>{
                           {12, 1},  // r
                           {14, 1},  // v: the line of its start tag's end, the column of its start
                           {0, 0},   // the nodes of the reference's expansion, whose content has
                           {0, 0},   // no lines: "a", b, and "c" with the line break after it
                           {0, 0},
                           {15, 0},  // the comment
                           {15, 0},  // a CDATA section: the line of the node before it
                           {16, 0},  // that node is the white space, which is not listed
                       }));

  const auto long_lines = ParseXmlDocument(long_document);
  const XmlNode long_root = long_lines->RootElement();
  EXPECT_EQ(long_lines->Position(long_lines->Child(long_root, 70000)).first, 65535)
      << "libxml2 keeps a line in 16 bits";
}

// The limit is 1,000,000 characters, or four times the document's bytes where that is more. Each
// reference stands in an element of its own (the copying that joining texts costs is counted
// apart).
TEST(Libxml2TreeTest, CountsTheTextAnEntityYieldsAgainstTheLimits) {
  struct Case {
    const char* label;
    std::string entity;
    int references;
    bool loads;
  };
  const Case kCases[] = {
      {"markup is no text", "<i/><!--c-->", 50000, true},
      {"999,000 characters from 10,000 bytes", std::string(999, 'x'), 1000, true},
      {"1,001,000 characters from 10,000 bytes", std::string(1001, 'x'), 1000, false},
      {"1,950,000 characters from 500,000 bytes", "<i>" + std::string(39, 'x') + "</i>", 50000,
       true},
      {"2,050,000 characters from 500,000 bytes", "<i>" + std::string(41, 'x') + "</i>", 50000,
       false},
  };
  for (const Case& c : kCases) {
    std::string body;
    for (int i = 0; i < c.references; ++i) body += "<v>&e;</v>";
    bool loaded = true;
    try {
      ParseXmlDocument(std::string(kProlog) + "<!DOCTYPE r [<!ENTITY e \"" + c.entity + "\">]><r>" +
                       body + "</r>");
    } catch (const XmlLoadError& error) {
      loaded = false;
      EXPECT_EQ(error.reason(), kEntityLimitsReason) << c.label;
    }
    EXPECT_EQ(loaded, c.loads) << c.label;
  }
}

// libxml2 alone takes time in the square of the number of element names with attribute defaults.
TEST(Libxml2TreeTest, ReadsAttributeDefaultsOfManyElementsInProportionalTime) {
  const auto cpu_seconds_to_parse = [](int elements) {
    const std::string xml = regcorvex::test::AttributeDefaultsDocument(elements);
    const std::clock_t start = std::clock();
    const auto document = ParseXmlDocument(xml);
    const double seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    const XmlNode last = document->Child(document->RootElement(), elements - 1);
    EXPECT_EQ(document->Attribute(last, u"type"), u"integer");
    return seconds;
  };
  const double small = cpu_seconds_to_parse(5000);
  const double large = cpu_seconds_to_parse(40000);
  EXPECT_LT(large, 16 * small + 0.5) << small << " s, then " << large << " s";
}

}  // namespace
}  // namespace platform
