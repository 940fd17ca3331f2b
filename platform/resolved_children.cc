#include "platform/resolved_children.h"

#include <string_view>
#include <utility>

namespace platform {
namespace {

bool IsWhiteSpace(std::u16string_view text) {
  return text.find_first_not_of(u" \t\r\n") == std::u16string_view::npos;
}

class Listing {
 public:
  explicit Listing(ReferenceKeepingDom& dom) : dom_(dom) {}

  void Add(XmlNode node) {
    for (const XmlNode child : dom_.Children(node)) {
      switch (dom_.Type(child)) {
        case XmlNodeType::kEntityReference:
          Add(child);
          break;
        case XmlNodeType::kText:
          if (!text_.node) text_.node = child;
          text_.text += dom_.Value(child);
          break;
        default:
          EndText();
          children_.push_back({child, {}});
      }
    }
  }

  std::vector<ResolvedChild> Finish() {
    EndText();
    return std::move(children_);
  }

 private:
  void EndText() {
    if (text_.node && !IsWhiteSpace(text_.text)) children_.push_back(std::move(text_));
    text_ = {};
  }

  ReferenceKeepingDom& dom_;
  std::vector<ResolvedChild> children_;
  ResolvedChild text_;  // the text so far, not yet a child
};

}  // namespace

std::vector<ResolvedChild> ResolvedChildren(ReferenceKeepingDom& dom, XmlNode node) {
  Listing listing(dom);
  listing.Add(node);
  return listing.Finish();
}

}  // namespace platform
