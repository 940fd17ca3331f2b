// The children of a node over a DOM with MSXML's node shapes: a reference to one of the document's
// entities is a node of its own that holds its replacement, and white-space-only text is a node
// where xml:space="preserve" kept it. The listing shows the document as the import reads it.
#include "platform/resolved_children.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace platform {
namespace {

// A tree of nodes made as MSXML makes them.
class MsxmlShapedDom final : public ReferenceKeepingDom {
 public:
  struct Node {
    XmlNodeType type;
    std::u16string value;  // a text's
    std::vector<const Node*> children;
  };

  const Node* Text(std::u16string value) {
    return Make({XmlNodeType::kText, std::move(value), {}});
  }
  const Node* Of(XmlNodeType type, std::vector<const Node*> children = {}) {
    return Make({type, u"", std::move(children)});
  }

  XmlNodeType Type(XmlNode node) override { return Unwrap(node).type; }
  std::vector<XmlNode> Children(XmlNode node) override {
    std::vector<XmlNode> children;
    for (const Node* child : Unwrap(node).children) children.push_back(XmlNode{child});
    return children;
  }
  std::u16string Value(XmlNode text) override { return Unwrap(text).value; }

 private:
  const Node* Make(Node node) { return &nodes_.emplace_back(std::move(node)); }
  static const Node& Unwrap(XmlNode node) { return *static_cast<const Node*>(node.handle); }

  std::deque<Node> nodes_;
};

// The listed children as "type" for nodes and "text" in quotes for texts, each text's first node
// checked to be a text node of the DOM.
std::string Listed(MsxmlShapedDom& dom, const MsxmlShapedDom::Node* parent) {
  std::string listed;
  for (const ResolvedChild& child : ResolvedChildren(dom, XmlNode{parent})) {
    const XmlNodeType type = dom.Type(child.node);
    if (type == XmlNodeType::kText) {
      listed += "\"" + std::string(child.text.begin(), child.text.end()) + "\" ";
    } else {
      EXPECT_TRUE(child.text.empty());
      listed += std::to_string(static_cast<int>(type)) + " ";
    }
  }
  return listed;
}

TEST(ResolvedChildrenTest, ShowsTheDocumentWithItsEntitiesResolved) {
  MsxmlShapedDom dom;
  using enum XmlNodeType;
  const auto reference = [&](std::vector<const MsxmlShapedDom::Node*> replacement) {
    return dom.Of(kEntityReference, std::move(replacement));
  };
  const auto* dir = reference({dom.Text(u"C:\\Program Files")});
  const auto* element = dom.Of(kElement);
  const auto* cdata = dom.Of(kCData);
  const auto* comment = dom.Of(kComment);
  struct Case {
    const char* label;
    std::vector<const MsxmlShapedDom::Node*> children;
    const char* listed;
  };
  const Case kCases[] = {
      {"a reference alone is its text", {dir}, "\"C:\\Program Files\" "},
      {"a reference joins the texts around it",
       {dom.Text(u"["), dir, dom.Text(u"\\bin]")},
       "\"[C:\\Program Files\\bin]\" "},
      {"references within references",
       {reference({dom.Text(u"<"), dir}), dir},
       "\"<C:\\Program FilesC:\\Program Files\" "},
      {"an empty replacement joins the texts on either side",
       {dom.Text(u"4"), reference({}), dom.Text(u"2")},
       "\"42\" "},
      {"elements of a replacement stand where the reference stands",
       {reference({element, dom.Text(u"x"), element}), element},
       "1 \"x\" 1 1 "},
      {"CDATA stays a node of its own", {dom.Text(u"a"), cdata, reference({cdata})}, "\"a\" 4 4 "},
      {"a comment in a replacement ends the text",
       {dir, reference({comment}), dom.Text(u"b")},
       "\"C:\\Program Files\" 8 \"b\" "},
      {"white space only is no node", {dom.Text(u" \t"), element, dom.Text(u"\r\n ")}, "1 "},
      {"white space from a reference alone is no node", {reference({dom.Text(u"  ")})}, ""},
      {"white space beside text is kept",
       {dom.Text(u" "), reference({dom.Text(u"a")}), dom.Text(u" ")},
       "\" a \" "},
      {"no children", {}, ""},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(Listed(dom, dom.Of(kElement, c.children)), c.listed) << c.label;
  }
}

}  // namespace
}  // namespace platform
