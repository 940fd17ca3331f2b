#include "import/config_nodes.h"

#include "platform/code_page.h"

namespace regcorvex {

bool IsComment(XmlDocument& document, XmlNode node) { return document.Name(node) == u"#comment"; }

bool IsTextOnly(XmlDocument& document, XmlNode node) {
  return document.Type(node) == XmlNodeType::kElement && document.ChildCount(node) == 1 &&
         document.Type(document.Child(node, 0)) == XmlNodeType::kText;
}

std::string NodeName(XmlDocument& document, XmlNode node) {
  return platform::WideToAnsi(document.Name(node));
}

std::string ValueText(XmlDocument& document, XmlNode node) {
  return IsTextOnly(document, node) ? platform::WideToAnsi(document.Text(node)) : std::string();
}

std::string ValueType(XmlDocument& document, XmlNode node) {
  if (document.Type(node) != XmlNodeType::kElement) return {};
  return platform::WideToAnsi(document.Attribute(node, u"type").value_or(u""));
}

}  // namespace regcorvex
