// The text form of a registry hive as Wine 8 reads and writes it (user.reg, system.reg):
// a header, then one "[key] stamp" section per key with its "#time=" line and its values.
// Formatting a parsed hive gives back what Wine would write for it, byte for byte.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/posix/wine_registry/tree.h"

namespace platform::wine_registry {

// A hive file that cannot be read safely; what() names the line and the fault.
class FormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

Hive ParseHive(std::string_view text);
std::string FormatHive(const Hive& hive);

}  // namespace platform::wine_registry
