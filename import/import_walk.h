// The walk of a configuration document that belongs to this product: its product elements, their
// scope elements, the categories and values below them, in document order. The walk decides what
// is read and what is skipped; it tells a receiver which keys to open and which values to write,
// and what it passed by and why.
#pragma once

#include <array>
#include <string>

#include "import/walk_receiver.h"
#include "platform/xml_document.h"

namespace regcorvex {

// Categories the import never opens, by their decoded name: the scheduler's own key, named
// exactly as in kSkippedCategoryNames, and the temporary and unknown ones, whose names hold one of
// kSkippedCategoryMarks (upper case) in any case.
inline constexpr std::array<const char*, 1> kSkippedCategoryNames = {"Schedules"};
inline constexpr std::array<const char*, 2> kSkippedCategoryMarks = {"$TEMP", "$UNKNOWN"};
bool IsSkippedCategory(const std::string& name);

class ImportWalk {
 public:
  ImportWalk(platform::XmlDocument& document, WalkReceiver& receiver)
      : document_(document), receiver_(receiver) {}

  // Walks the children of the root element.
  void Run(platform::XmlNode root);

 private:
  void ImportProductElement(platform::XmlNode product);
  void ImportScopeElement(platform::XmlNode scope);
  void ImportCategoryElement(platform::XmlNode category);
  void ImportValueElement(platform::XmlNode value);
  // Opens the current category's key for the current scope; category is its element, or the
  // scope element for a value directly under it.
  bool OpenCategory(platform::XmlNode category);

  platform::XmlDocument& document_;
  WalkReceiver& receiver_;
  std::string scope_name_;     // as written in the document
  std::string category_name_;  // decoded; kCfgAllName for a value directly under a scope
  std::string section_;        // the key path of category_name_ below PrefBaseKey
};

}  // namespace regcorvex
