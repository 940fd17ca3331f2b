#include "import/import_walk.h"

#include "import/config_format.h"
#include "import/config_nodes.h"
#include "platform/code_page.h"

namespace regcorvex {
namespace {

constexpr char kCfgAllName[] = "cfgAll";

// Categories the import never opens: the scheduler's own key and the temporary and unknown ones.
bool IsSkippedCategory(const std::string& name) {
  if (name == "Schedules") return true;
  const std::string upper = platform::CharUpperBuffA(name);
  return upper.find("$TEMP") != std::string::npos || upper.find("$UNKNOWN") != std::string::npos;
}

}  // namespace

void ImportWalk::Run(XmlNode root) {
  const std::size_t count = document_.ChildCount(root);
  for (std::size_t i = 0; i < count; ++i) {
    const XmlNode child = document_.Child(root, i);
    if (IsComment(document_, child) || IsTextOnly(document_, child)) continue;
    if (IsProductElementName(NodeName(document_, child))) ImportProductElement(child);
  }
}

void ImportWalk::ImportProductElement(XmlNode product) {
  const std::size_t count = document_.ChildCount(product);
  for (std::size_t i = 0; i < count; ++i) {
    const XmlNode child = document_.Child(product, i);
    if (IsTextOnly(document_, child)) continue;
    category_name_.clear();
    scope_name_ = NodeName(document_, child);
    ImportScopeElement(child);
  }
}

void ImportWalk::ImportScopeElement(XmlNode scope) {
  const std::size_t count = document_.ChildCount(scope);
  for (std::size_t i = 0; i < count; ++i) {
    const XmlNode child = document_.Child(scope, i);
    if (IsTextOnly(document_, child)) {
      // A value directly under the scope: the base key, opened and closed for this value alone.
      category_name_ = kCfgAllName;
      if (OpenCategory()) {
        ImportValueElement(child);
        receiver_.ClosePref();
      }
    } else {
      category_name_ = NodeName(document_, child);
      ImportCategoryElement(child);
    }
  }
}

void ImportWalk::ImportCategoryElement(XmlNode category) {
  const std::size_t count = document_.ChildCount(category);
  if (count == 0) return;
  category_name_ = DecodeElementName(NodeName(document_, category));
  if (IsSkippedCategory(category_name_)) return;
  if (OpenCategory()) {
    for (std::size_t i = 0; i < count; ++i) ImportValueElement(document_.Child(category, i));
  }
  receiver_.ClosePref();
}

bool ImportWalk::OpenCategory() {
  section_ = GetCategoryKeyPath(category_name_);
  return receiver_.OpenPref(GetDataScope(scope_name_), std::string(PrefBaseKey) + "\\" + section_);
}

void ImportWalk::ImportValueElement(XmlNode value) {
  const std::string name = DecodeElementName(NodeName(document_, value));
  const std::string text = DecodeValueText(ValueText(document_, value));
  const std::string type = ValueType(document_, value);
  if (type == "integer") {
    receiver_.SetPrefInteger(section_, name, TextToInteger(text));
  } else if (type == "string") {
    receiver_.SetPrefString(section_, name, text);
  } else if (type == "boolean") {
    receiver_.SetPrefBooleanProc(section_, name, TextToInteger(text) != 0);
  } else if (type == "binary") {
    if (const auto bytes = BinaryTextToBytes(text)) {
      receiver_.SetPrefBinaryProc(section_, name, *bytes);
    }
  }
}

}  // namespace regcorvex
