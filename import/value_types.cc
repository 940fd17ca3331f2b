#include "import/value_types.h"

#include <algorithm>

#include "import/document_format.h"

namespace regcorvex {
namespace {

bool WriteInteger(WalkReceiver& receiver, const std::string& section, const std::string& name,
                  const std::string& text) {
  receiver.SetPrefInteger(section, name, TextToInteger(text));
  return true;
}

bool WriteString(WalkReceiver& receiver, const std::string& section, const std::string& name,
                 const std::string& text) {
  receiver.SetPrefString(section, name, text);
  return true;
}

bool WriteBoolean(WalkReceiver& receiver, const std::string& section, const std::string& name,
                  const std::string& text) {
  receiver.SetPrefBooleanProc(section, name, TextToInteger(text) != 0);
  return true;
}

bool WriteBinary(WalkReceiver& receiver, const std::string& section, const std::string& name,
                 const std::string& text) {
  const auto bytes = BinaryTextToBytes(text);
  if (!bytes) return false;
  receiver.SetPrefBinaryProc(section, name, *bytes);
  return true;
}

}  // namespace

const std::array<ValueTypeRule, 4> kValueTypes = {{
    {"integer", ValueKind::kInteger, "0", WriteInteger},
    {"string", ValueKind::kString, "the empty string", WriteString},
    {"boolean", ValueKind::kBoolean, "false", WriteBoolean},
    {"binary", ValueKind::kBinary, "zero bytes", WriteBinary},
}};

const ValueTypeRule* FindValueType(std::string_view type) {
  const auto found = std::find_if(kValueTypes.begin(), kValueTypes.end(),
                                  [type](const ValueTypeRule& rule) { return rule.name == type; });
  return found == kValueTypes.end() ? nullptr : &*found;
}

const char* ValueTypeName(ValueKind kind) {
  return std::find_if(kValueTypes.begin(), kValueTypes.end(),
                      [kind](const ValueTypeRule& rule) { return rule.kind == kind; })
      ->name;
}

}  // namespace regcorvex
