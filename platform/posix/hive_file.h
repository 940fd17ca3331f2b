// Wine's registry file format ("WINE REGISTRY Version 2", as Wine 8 reads and writes system.reg
// and user.reg): text to a hive and back. Serialising writes exactly what Wine would write for
// the same hive, so a file Wine wrote comes back byte for byte when nothing in it changed.
#pragma once

#include <string>
#include <string_view>

#include "platform/posix/hive_tree.h"

namespace platform {

inline constexpr std::string_view kHiveSignature = "WINE REGISTRY Version 2";

// Reads a whole hive file. False when any line cannot be understood; error then tells the line
// and what is wrong with it, and hive is unspecified.
bool ParseHive(std::string_view text, Hive& hive, std::string& error);

std::string SerializeHive(const Hive& hive);

}  // namespace platform
