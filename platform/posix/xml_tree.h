// A parsed document as the native DOM shows it, read-only once built: the listed nodes (elements,
// text that is not only white space, CDATA sections, comments, processing instructions, the
// DOCTYPE), the children of each element as one range of an index array, and every name and text
// in one UTF-16 string. XmlTreeBuilder fills it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/xml_document.h"

namespace platform {

struct XmlTree {
  static constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();

  // A range of strings.
  struct Text {
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
  };

  struct Node {
    Text text;  // the name (element, processing instruction, DOCTYPE) or the content (text)
    std::uint32_t first_child = 0;  // elements: into children
    std::uint32_t child_count = 0;
    std::uint32_t first_attribute = 0;  // elements: into attributes
    std::uint32_t attribute_count = 0;
    int line = 0;  // as libxml2 keeps it; 0 where it keeps none
    XmlNodeType type = XmlNodeType::kElement;
  };

  struct Attribute {
    Text name;  // prefix:local where it has a prefix
    Text value;
  };

  std::u16string_view String(Text text) const {
    return std::u16string_view(strings).substr(text.offset, text.length);
  }
  std::span<const std::uint32_t> Children(const Node& node) const {
    return std::span<const std::uint32_t>(children).subspan(node.first_child, node.child_count);
  }
  std::span<const Attribute> Attributes(const Node& node) const {
    return std::span<const Attribute>(attributes)
        .subspan(node.first_attribute, node.attribute_count);
  }

  std::vector<Node> nodes;
  std::vector<std::uint32_t> children;  // node indices
  std::vector<Attribute> attributes;
  std::u16string strings;
  std::uint32_t root = kNone;     // the document element
  std::uint32_t doctype = kNone;  // the DOCTYPE, when the document has one
};

}  // namespace platform
