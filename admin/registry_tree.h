// A registry key read whole: its values and those of every key below it, through the 8-bit
// functions, so names and texts are in the ANSI code page as the import writes them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace regcorvex {

struct TreeValue {
  std::string name;
  platform::Dword type = platform::kRegNone;
  std::vector<std::uint8_t> data;
  // Why the value cannot be taken as it is (a character its source held that the code page
  // lacks); empty when it can.
  std::string problem;
};

struct TreeKey {
  std::string path;  // below the root, levels joined by single backslashes
  std::vector<TreeValue> values;
  platform::Long status = platform::kErrorSuccess;  // not kErrorSuccess: the key could not be read
};

struct TreeRead {
  platform::Long status = platform::kErrorSuccess;  // of opening the top key
  std::vector<TreeKey> keys;                        // the top key first, then depth first
};

TreeRead ReadKeyTree(platform::Registry& registry, platform::Hkey root, const std::string& path);

}  // namespace regcorvex
