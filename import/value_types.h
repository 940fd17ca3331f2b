// The value types a document may name in a value's "type": their names as written, the setter of
// the walk's receiver each one calls with its converted text, and what the empty text gives. The
// walk chooses a value's setter from this table alone, and the companion reads its names from it.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "import/walk_receiver.h"

namespace regcorvex {

enum class ValueKind { kInteger, kString, kBoolean, kBinary };

struct ValueTypeRule {
  const char* name;  // case-sensitive
  ValueKind kind;
  const char* empty_text_gives;  // what the empty text writes, for people: "0", "false"...
  // Converts text and calls the receiver's setter; false when the text is rejected and nothing is
  // written.
  bool (*write)(WalkReceiver& receiver, const std::string& section, const std::string& name,
                const std::string& text);
};

extern const std::array<ValueTypeRule, 4> kValueTypes;

// The rule named exactly type, or nullptr.
const ValueTypeRule* FindValueType(std::string_view type);
// The name of kind's type.
const char* ValueTypeName(ValueKind kind);

}  // namespace regcorvex
