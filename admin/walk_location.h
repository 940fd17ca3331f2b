// Where a node of the walked document stands, for reports: its line and column and its element
// path ("/Corvane_5_Preferences/Corvane_5/PerUserRoam/Misc/Width", names as written). A receiver
// feeds it the walk's hooks; it then locates the nodes the walk reports next.
#pragma once

#include <string>

#include "platform/xml_document.h"

namespace regcorvex {

struct Location {
  int line = 0;    // 0: the platform's parser keeps no position
  int column = 0;  // 0: not known
  std::string path;
};

// The level of the document a node sits on, by its parent.
enum class WalkLevel { kRoot, kProduct, kScope, kCategory };

class WalkLocation {
 public:
  void WalkStarted(platform::XmlDocument& document, platform::XmlNode root);
  void ProductEntered(platform::XmlNode product);
  void ScopeEntered(platform::XmlNode scope);
  // The values that follow belong to category, or to the scope itself when category is it.
  void CategoryEntered(platform::XmlNode category);

  // node, a child of the root, of the current product, scope or category (or scope, for a value
  // directly under it).
  Location Locate(platform::XmlNode node, WalkLevel parent) const;
  // The root element itself.
  Location Root() const;
  platform::XmlDocument& document() const { return *document_; }
  platform::XmlNode scope() const { return scope_; }

 private:
  std::string PathOf(platform::XmlNode node) const;

  platform::XmlDocument* document_ = nullptr;
  platform::XmlNode root_;
  platform::XmlNode scope_;
  std::string root_path_;
  std::string product_path_;
  std::string scope_path_;
  std::string category_path_;
};

}  // namespace regcorvex
