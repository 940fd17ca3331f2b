// What the markup of a document costs libxml2 2.9.14 beyond reading it once. Its parser checks
// each attribute of a start tag against those before it (the attributes that the DTD supplies as
// defaults included), each namespace declaration against those of the same tag, and looks each
// prefix up through every namespace declaration in scope: a tag of many attributes, or many
// declarations in scope, cost in proportion to the square of their number. The scan counts those
// steps, so that a document whose markup would take far more of them than its size can be refused
// before libxml2 starts on it. No real document comes near: at most a few attributes a tag and a
// few namespaces in scope.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

namespace platform {

struct MarkupLimits {
  // Steps allowed for each character of the document, and for any document at all: about 11,000
  // attributes on one element, or 8,000 namespaces in scope for 1,000 elements.
  static constexpr std::size_t kStepsPerCharacter = 64;
  static constexpr std::size_t kBaseSteps = std::size_t{1} << 26;
};
inline constexpr char kMarkupLimitsReason[] =
    "The document's markup goes beyond the limits of this program.";

// The defaulted attributes the DTD's attribute-list declarations give each element name.
using AttributeDefaults = std::unordered_map<std::u32string, std::size_t>;

struct MarkupCost {
  std::size_t steps = 0;
  int over_at_line = 0;  // the line (from 1) of the tag that took steps past the limit; 0 if none
};

// Scans a whole document's bytes in any of the encodings libxml2 detects (UTF-8 and 8-bit code
// pages, UTF-16 and UCS-4 either way round, with or without a byte-order mark), stopping at the
// first tag past steps_limit. Fills defaults from the document's internal subset.
MarkupCost DocumentMarkupCost(std::string_view bytes, std::size_t steps_limit,
                              AttributeDefaults& defaults);

// The steps that parsing an entity's replacement text (UTF-8) costs, with the document's defaults.
std::size_t EntityMarkupSteps(std::string_view utf8, const AttributeDefaults& defaults);

}  // namespace platform
