// Documents written to harm the program that reads them: they must neither pull another file's
// content into the registry nor make the load spin or swell, and each ends in a clear outcome.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "import/document_nodes.h"
#include "platform/xml_document.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_platform.h"

namespace regcorvex {
namespace {

using test::ParsedByMsxml;
using test::WindowsPath;

constexpr char kSecret[] = "TOPSECRET";
// CPU time, which a busy machine does not stretch.
constexpr auto kTimeLimit = std::chrono::seconds(10);

// How a load ended: its error, or the text of the root element and of its first attribute "a".
struct Outcome {
  bool failed = false;
  std::string text;
  std::chrono::microseconds took{};
};

class HostileDocumentTest : public ::testing::Test {
 protected:
  HostileDocumentTest() {
    dir_.Write("secret.txt", kSecret);
    dir_.Write("secret.dtd", std::string("<!ENTITY x \"") + kSecret + "\">");
  }

  Outcome LoadDocument(const std::string& xml) {
    const std::string path = WindowsPath(dir_.Write("doc.xml", xml));
    auto document = platform::DefaultXmlParser().NewDocument();
    Outcome outcome;
    const auto start = test::ProcessCpuTime();
    try {
      document->Load(path);
      const platform::XmlNode root = document->RootElement();
      outcome.text = ValueText(*document, root) + "|" + NodeName(*document, root) + "|" +
                     ValueType(*document, root);
    } catch (const platform::XmlLoadError& error) {
      outcome.failed = true;
      outcome.text = error.reason();
    }
    outcome.took = test::ProcessCpuTime() - start;
    return outcome;
  }

  std::string Local(const std::string& name) const { return WindowsPath(dir_.path() / name); }

  test::TempDir dir_;
};

// A document whose internal subset is subset and whose root element r holds body.
std::string Document(const std::string& subset, const std::string& body) {
  return "<?xml version=\"1.0\"?>\n<!DOCTYPE r [" + subset + "]>\n<r>" + body + "</r>\n";
}

std::string Repeated(const std::string& text, int count) {
  std::string result;
  result.reserve(text.size() * static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) result += text;
  return result;
}

TEST_F(HostileDocumentTest, ExternalEntitiesAndDtdsAreNeverRead) {
  struct Case {
    const char* label;
    std::string xml;
  };
  const Case kCases[] = {
      {"external entity, relative name", Document("<!ENTITY x SYSTEM \"secret.txt\">", "&x;")},
      {"external entity, full path",
       Document("<!ENTITY x SYSTEM \"" + Local("secret.txt") + "\">", "&x;")},
      {"external entity, file URL",
       Document("<!ENTITY x SYSTEM \"file://" + dir_.path().generic_string() + "/secret.txt\">",
                "&x;")},
      {"external entity in an element of its own",
       Document("<!ENTITY x SYSTEM \"secret.txt\">", "<v>&x;</v>")},
      {"external DTD declaring the entity",
       "<?xml version=\"1.0\"?><!DOCTYPE r SYSTEM \"secret.dtd\"><r>&x;</r>"},
      {"external parameter entity declaring the entity",
       Document("<!ENTITY % p SYSTEM \"secret.dtd\"> %p;", "&x;")},
  };
  for (const auto& c : kCases) {
    const Outcome outcome = LoadDocument(c.xml);
    EXPECT_EQ(outcome.text.find(kSecret), std::string::npos) << c.label;
    if (!ParsedByMsxml()) {
      EXPECT_TRUE(outcome.failed) << c.label << ": " << outcome.text;
    }
  }
}

TEST_F(HostileDocumentTest, AnExternalDtdThatIsNotNeededDoesNotStopTheLoad) {
  const Outcome outcome =
      LoadDocument("<?xml version=\"1.0\"?><!DOCTYPE r SYSTEM \"secret.dtd\"><r a=\"1\">text</r>");
  EXPECT_FALSE(outcome.failed) << outcome.text;
  EXPECT_EQ(outcome.text, "text|r|");
}

// Entities a0 ("lol") to a<levels - 1>, each made of ten references to the one before, the
// references spelled with ampersand ("&" or a character reference such as "&#38;").
std::string Laughs(int levels, const std::string& ampersand = "&") {
  std::string subset = "<!ENTITY a0 \"lol\">";
  for (int i = 1; i < levels; ++i) {
    const std::string reference = ampersand + "a" + std::to_string(i - 1) + ";";
    subset.append("<!ENTITY a").append(std::to_string(i)).append(" \"");
    subset.append(Repeated(reference, 10)).append("\">");
  }
  return subset;
}

TEST_F(HostileDocumentTest, EntityExpansionIsBoundedInTimeAndRefused) {
  const std::string big(10000, 'x');
  struct Case {
    const char* label;
    std::string xml;
  };
  const Case kCases[] = {
      {"billion laughs", Document(Laughs(10), "&a9;")},
      {"billion laughs behind a DOCTYPE in a comment",
       "<?xml version=\"1.0\"?><!-- <!DOCTYPE x> --><!DOCTYPE r [" + Laughs(10) + "]><r>&a9;</r>"},
      {"billion laughs spelled with character references", Document(Laughs(10, "&#38;"), "&a9;")},
      {"quadratic blow-up in text",
       Document("<!ENTITY a \"" + big + "\">", Repeated("&a;", 100000))},
      {"quadratic blow-up in an attribute", "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY a \"" +
                                                big + "\">]><r type=\"" + Repeated("&a;", 100000) +
                                                "\"/>"},
      {"a million references to an entity ten times their length",
       Document("<!ENTITY a \"" + std::string(30, 'x') + "\">", Repeated("&a;", 1000000))},
  };
  for (const auto& c : kCases) {
    const Outcome outcome = LoadDocument(c.xml);
    EXPECT_LT(outcome.took, kTimeLimit) << c.label;
    EXPECT_TRUE(outcome.failed) << c.label;
    EXPECT_LT(outcome.text.size(), 1000u) << c.label;
  }
}

TEST_F(HostileDocumentTest, ModerateEntityUseStillLoads) {
  const std::string entity = "<!ENTITY a \"" + std::string(100, 'x') + "\">";
  struct Case {
    const char* label;
    std::string xml;
    std::string text;
  };
  // Wine's MSXML keeps each reference as a node without its replacement: the root's text is empty.
  const Case kCases[] = {
      {"5,000 values of 100 characters", Document(entity, Repeated("<v>&a;</v>", 5000)), "|r|"},
      {"one element of 1,000 references", Document(entity, Repeated("&a;", 1000)),
       ParsedByMsxml() ? "|r|" : std::string(100000, 'x') + "|r|"},
  };
  for (const auto& c : kCases) {
    const Outcome outcome = LoadDocument(c.xml);
    EXPECT_LT(outcome.took, kTimeLimit) << c.label;
    EXPECT_FALSE(outcome.failed) << c.label << ": " << outcome.text.substr(0, 100);
    EXPECT_EQ(outcome.text.size(), c.text.size()) << c.label;
    EXPECT_TRUE(outcome.text == c.text) << c.label;
  }
}

}  // namespace
}  // namespace regcorvex
