#include "import/document_nodes.h"

#include "platform/code_page.h"

namespace regcorvex {

bool IsComment(platform::XmlDocument& document, platform::XmlNode node) {
  return document.Name(node) == u"#comment";
}

bool IsTextOnly(platform::XmlDocument& document, platform::XmlNode node) {
  return document.Type(node) == platform::XmlNodeType::kElement && document.ChildCount(node) == 1 &&
         document.Type(document.Child(node, 0)) == platform::XmlNodeType::kText;
}

std::string NodeName(platform::XmlDocument& document, platform::XmlNode node) {
  return platform::WideToAnsi(document.Name(node));
}

std::string ValueText(platform::XmlDocument& document, platform::XmlNode node) {
  return IsTextOnly(document, node) ? platform::WideToAnsi(document.Text(node)) : std::string();
}

std::string ValueType(platform::XmlDocument& document, platform::XmlNode node) {
  if (document.Type(node) != platform::XmlNodeType::kElement) return {};
  return platform::WideToAnsi(document.Attribute(node, u"type").value_or(u""));
}

}  // namespace regcorvex
