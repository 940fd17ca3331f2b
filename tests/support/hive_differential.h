// Checks the hive reader that leaves values in the file's text (LoadHive) and the save that
// copies untouched keys (FormatHive with KeyText::kCopy) against the whole-model reader and
// writer (ParseHive, FormatHive): the same error, the same keys, values and order, and after
// the same changes the same registry, in the same bytes when the file was in Wine's form.
#pragma once

#include <string>
#include <string_view>

namespace hive_differential {

// The first difference found, or empty when there is none.
std::string Compare(std::string_view text);

}  // namespace hive_differential
