#include "admin/walk_location.h"

#include "platform/utf8.h"

namespace regcorvex {

void WalkLocation::WalkStarted(platform::XmlDocument& document, platform::XmlNode root) {
  document_ = &document;
  root_ = root;
  root_path_ = "/" + platform::Utf16ToUtf8(document.Name(root));
}

void WalkLocation::ProductEntered(platform::XmlNode product) {
  product_path_ = root_path_ + PathOf(product);
}

void WalkLocation::ScopeEntered(platform::XmlNode scope) {
  scope_ = scope;
  scope_path_ = product_path_ + PathOf(scope);
  category_path_ = scope_path_;
}

void WalkLocation::CategoryEntered(platform::XmlNode category) {
  category_path_ = category.handle == scope_.handle ? scope_path_ : scope_path_ + PathOf(category);
}

Location WalkLocation::Locate(platform::XmlNode node, WalkLevel parent) const {
  const std::string* path = &root_path_;
  switch (parent) {
    case WalkLevel::kRoot:
      break;
    case WalkLevel::kProduct:
      path = &product_path_;
      break;
    case WalkLevel::kScope:
      path = &scope_path_;
      break;
    case WalkLevel::kCategory:
      path = &category_path_;
      break;
  }
  const auto [line, column] = document_->Position(node);
  return {line, column, *path + PathOf(node)};
}

Location WalkLocation::Root() const {
  const auto [line, column] = document_->Position(root_);
  return {line, column, root_path_};
}

std::string WalkLocation::PathOf(platform::XmlNode node) const {
  return "/" + platform::Utf16ToUtf8(document_->Name(node));
}

}  // namespace regcorvex
