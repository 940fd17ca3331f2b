// Reading the text form of a registry hive (format.h writes it): the whole model at once
// (ParseHive), or an index of the file's sections from which each key reads its values and
// subkeys at their first use (LoadHive). Both take the same lines and refuse the same faults.
#pragma once

#include <memory>
#include <stdexcept>
#include <string_view>

#include "platform/posix/fill_buffer.h"
#include "platform/posix/wine_registry/tree.h"

namespace platform::wine_registry {

// A hive file that cannot be read safely; what() names the line and the fault.
class FormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads the whole hive into memory. The reference model: the tests, the fuzz targets and the
// benchmark's check hold LoadHive and the save to what this reader makes of the same text.
Hive ParseHive(std::string_view text);
// Reads the hive as ParseHive does, with the same checks and errors, but leaves each key's values
// and subkeys in the text until they are first used. The keys keep the text.
Hive LoadHive(std::shared_ptr<const FileText> text);

// The reading that LoadHive leaves to each key, for Key::Loaded.
class HiveReader {
 public:
  // Reads the values of the key's sections into it, as they stood in the file.
  static void ReadValues(Key& key);
  // Makes the subkeys of the key from its runs of sections.
  static void ReadSubkeys(Key& key);
};

}  // namespace platform::wine_registry
