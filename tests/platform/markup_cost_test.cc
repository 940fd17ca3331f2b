// The native DOM refuses, before libxml2 parses it, markup that would cost libxml2's parser work
// growing with the square of its size, in whatever encoding the document comes, and still loads
// every shape a real document has, far beyond its usual size.
#include <gtest/gtest.h>

#include <string>

#include "platform/posix/xml_document_libxml2.h"
#include "platform/posix/xml_markup_cost.h"
#include "platform/xml_document.h"

namespace platform {
namespace {

std::string Repeated(int count, const std::string& before, const std::string& after = "") {
  std::string text;
  for (int i = 0; i < count; ++i) text += before + std::to_string(i) + after;
  return text;
}

// The root element r, on line 3, with subset as its internal subset, attributes and body.
std::string Document(const std::string& subset, const std::string& attributes,
                     const std::string& body) {
  return "<?xml version=\"1.0\"?>\n<!DOCTYPE r [" + subset + "]>\n<r" + attributes + ">" + body +
         "</r>\n";
}

// The load's error reason and line, or "loaded".
std::pair<std::string, int> Outcome(const std::string& bytes) {
  try {
    ParseXmlDocument(bytes);
    return {"loaded", 0};
  } catch (const XmlLoadError& error) {
    return {error.reason(), error.line()};
  }
}

// An ASCII document in wider code units, a byte-order mark first when bom is given.
std::string Widened(const std::string& ascii, int width, bool big_endian, std::string_view bom) {
  std::string out(bom);
  for (const char c : ascii) {
    for (int k = 0; k < width; ++k) out += (big_endian ? k == width - 1 : k == 0) ? c : '\0';
  }
  return out;
}

TEST(MarkupCostTest, ATagOfTooManyAttributesIsRefusedInEveryEncoding) {
  const std::string wide = Document("", Repeated(20000, " a", "=\"\""), "");
  const std::string usual = Document("", Repeated(2000, " a", "=\"\""), "");
  struct Encoding {
    const char* label;
    std::string (*encode)(const std::string&);
    bool libxml2_reads = true;  // 2.9.14 fails to convert UCS-4: only the refusal can be checked
  };
  const Encoding kEncodings[] = {
      {"UTF-8", [](const std::string& s) { return s; }},
      {"UTF-8 with BOM", [](const std::string& s) { return "\xEF\xBB\xBF" + s; }},
      {"UTF-16LE with BOM", [](const std::string& s) { return Widened(s, 2, false, "\xFF\xFE"); }},
      {"UTF-16BE without BOM", [](const std::string& s) { return Widened(s, 2, true, ""); }},
      {"UCS-4LE without BOM", [](const std::string& s) { return Widened(s, 4, false, ""); }, false},
  };
  for (const Encoding& encoding : kEncodings) {
    SCOPED_TRACE(encoding.label);
    EXPECT_EQ(Outcome(encoding.encode(wide)), std::make_pair(std::string(kMarkupLimitsReason), 3));
    if (encoding.libxml2_reads) {
      EXPECT_EQ(Outcome(encoding.encode(usual)).first, "loaded");
    }
  }
}

TEST(MarkupCostTest, EachCostlyShapeIsRefusedAndItsModerateFormLoads) {
  const std::string entity_of = "<!ENTITY e \"<v";
  struct Case {
    const char* label;
    std::string xml;
    std::string outcome;
  };
  const Case kCases[] = {
      {"20,000 namespace declarations on one element",
       Document("", Repeated(20000, " xmlns:p", "=\"u\""), ""), kMarkupLimitsReason},
      {"1,000 namespace declarations on one element",
       Document("", Repeated(1000, " xmlns:p", "=\"u\""), ""), "loaded"},
      {"3,000 namespaces in scope of 100,000 elements",
       Document("", Repeated(3000, " xmlns:p", "=\"u\""), Repeated(100000, "<p0:v i", "=''/>")),
       kMarkupLimitsReason},
      {"100 namespaces in scope of 10,000 elements",
       Document("", Repeated(100, " xmlns:p", "=\"u\""), Repeated(10000, "<p0:v i", "=''/>")),
       "loaded"},
      {"5,000 attribute defaults of an element that occurs 100 times",
       Document(Repeated(5000, "<!ATTLIST v a", " CDATA 'd'>"), "", Repeated(100, "<v i", "=''/>")),
       kMarkupLimitsReason},
      {"200 attribute defaults of an element that occurs 100 times",
       Document(Repeated(200, "<!ATTLIST v a", " CDATA 'd'>"), "", Repeated(100, "<v i", "=''/>")),
       "loaded"},
      {"an entity of 5,000 attributes referenced 200 times",
       Document(entity_of + Repeated(5000, " a", "=''") + "/>\">", "",
                Repeated(200, "&e;<!--", "-->")),
       kEntityLimitsReason},
      {"an entity of 100 attributes referenced 200 times",
       Document(entity_of + Repeated(100, " a", "=''") + "/>\">", "",
                Repeated(200, "&e;<!--", "-->")),
       "loaded"},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(Outcome(c.xml).first, c.outcome) << c.label;
  }
}

}  // namespace
}  // namespace platform
