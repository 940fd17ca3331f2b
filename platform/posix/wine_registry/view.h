// How a key path resolves in a hive for a 32-bit program, as Wine 8 resolves it: in a 64-bit
// prefix every level that has a Wow6432Node child is seen through it, symbolic link keys are
// followed (within the hive), and the machine's Software\Classes is shared by both views.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/wine_registry/tree.h"

namespace platform::wine_registry {

struct PathView {
  const Hive& hive;
  bool wow64 = false;       // a 32-bit program in a 64-bit prefix, not asking for the 64-bit view
  bool is_machine = false;  // the hive is HKEY_LOCAL_MACHINE's
  bool open_link = false;   // a link key at the end of the path is the key, not its target
};

struct Resolved {
  std::shared_ptr<Key> key;  // the key the whole path names, else the key to create the rest in
  std::size_t matched = 0;   // how many parts of the path exist
  // A link on the way that leads nowhere, so that the path does not exist: the link key where the
  // way ends, and why it cannot be followed.
  std::shared_ptr<Key> broken_link;
  std::string why_broken;
};

Resolved Resolve(const PathView& view, std::shared_ptr<Key> start,
                 const std::vector<std::u16string>& parts);

}  // namespace platform::wine_registry
