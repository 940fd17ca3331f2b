#include "import/import_walk.h"

#include <algorithm>

#include "import/document_format.h"
#include "import/document_nodes.h"
#include "import/value_types.h"
#include "platform/code_page.h"

namespace regcorvex {

bool IsSkippedCategory(const std::string& name) {
  if (std::find(kSkippedCategoryNames.begin(), kSkippedCategoryNames.end(), name) !=
      kSkippedCategoryNames.end()) {
    return true;
  }
  const std::string upper = platform::CharUpperBuffA(name);
  return std::any_of(kSkippedCategoryMarks.begin(), kSkippedCategoryMarks.end(),
                     [&upper](const char* mark) { return upper.find(mark) != std::string::npos; });
}

void ImportWalk::Run(platform::XmlNode root) {
  receiver_.WalkStarted(document_, root);
  const std::size_t count = document_.ChildCount(root);
  for (std::size_t i = 0; i < count; ++i) {
    const platform::XmlNode child = document_.Child(root, i);
    if (IsComment(document_, child)) {
      receiver_.NodeSkipped(child, WalkSkip::kCommentAtRoot);
    } else if (IsTextOnly(document_, child)) {
      receiver_.NodeSkipped(child, WalkSkip::kTextOnlyAtRoot);
    } else if (IsProductElementName(NodeName(document_, child))) {
      ImportProductElement(child);
    } else {
      receiver_.NodeSkipped(child, WalkSkip::kNotProduct);
    }
  }
}

void ImportWalk::ImportProductElement(platform::XmlNode product) {
  receiver_.ProductEntered(product);
  const std::size_t count = document_.ChildCount(product);
  for (std::size_t i = 0; i < count; ++i) {
    const platform::XmlNode child = document_.Child(product, i);
    if (IsTextOnly(document_, child)) {
      receiver_.NodeSkipped(child, WalkSkip::kTextOnlyInProduct);
      continue;
    }
    category_name_.clear();
    scope_name_ = NodeName(document_, child);
    receiver_.ScopeEntered(child, scope_name_);
    ImportScopeElement(child);
  }
}

void ImportWalk::ImportScopeElement(platform::XmlNode scope) {
  const std::size_t count = document_.ChildCount(scope);
  for (std::size_t i = 0; i < count; ++i) {
    const platform::XmlNode child = document_.Child(scope, i);
    if (IsTextOnly(document_, child)) {
      // A value directly under the scope: the base key, opened and closed for this value alone.
      category_name_ = kCfgAllName;
      if (OpenCategory(scope)) {
        ImportValueElement(child);
        receiver_.ClosePref();
      }
    } else {
      category_name_ = NodeName(document_, child);
      ImportCategoryElement(child);
    }
  }
}

void ImportWalk::ImportCategoryElement(platform::XmlNode category) {
  const std::size_t count = document_.ChildCount(category);
  if (count == 0) {
    receiver_.NodeSkipped(category, WalkSkip::kCategoryWithoutChildren);
    return;
  }
  category_name_ = DecodeElementName(NodeName(document_, category));
  if (IsSkippedCategory(category_name_)) {
    receiver_.NodeSkipped(category, WalkSkip::kCategoryByName);
    return;
  }
  if (OpenCategory(category)) {
    for (std::size_t i = 0; i < count; ++i) ImportValueElement(document_.Child(category, i));
  }
  receiver_.ClosePref();
}

bool ImportWalk::OpenCategory(platform::XmlNode category) {
  receiver_.CategoryEntered(category, category_name_);
  section_ = GetCategoryKeyPath(category_name_);
  return receiver_.OpenPref(GetDataScope(scope_name_), std::string(PrefBaseKey) + "\\" + section_);
}

void ImportWalk::ImportValueElement(platform::XmlNode value) {
  const std::string name = DecodeElementName(NodeName(document_, value));
  const std::string text = DecodeValueText(ValueText(document_, value));
  const std::string type = ValueType(document_, value);
  receiver_.ValueRead(value, WalkValue{name, text, type});
  const ValueTypeRule* rule = FindValueType(type);
  if (!rule) {
    receiver_.NodeSkipped(value, WalkSkip::kUnusableType);
  } else if (!rule->write(receiver_, section_, name, text)) {
    receiver_.NodeSkipped(value, WalkSkip::kRejectedBinary);
  }
}

}  // namespace regcorvex
