// Checks the hive reader that leaves values in the file's text (LoadHive) and the save that
// copies untouched keys (FormatHive with KeyText::kCopy) against the whole-model reader and
// writer (ParseHive, FormatHive): the same error, the same keys, values and order, and after
// the same changes the same registry, in the same bytes when the file was in Wine's form.
#pragma once

#include <limits>
#include <string>
#include <string_view>

#include "platform/posix/wine_registry/tree.h"

namespace hive_differential {

// The first difference found, or empty when there is none.
std::string Compare(std::string_view text);

// Stamps are compared exactly when no time counts as the time of a reading.
inline constexpr platform::wine_registry::FileTime kNoReadingTime =
    std::numeric_limits<platform::wine_registry::FileTime>::max();

// The first difference between two key trees, compared key by key in order, or empty. A key read
// without a stamp gets the time of its reading, so stamps from `since` on count as equal; with
// `written_only`, only the stamps the file keeps (of keys with a line of their own) count.
std::string SameTree(platform::wine_registry::Key& first, platform::wine_registry::Key& second,
                     platform::wine_registry::FileTime since, bool written_only);

}  // namespace hive_differential
