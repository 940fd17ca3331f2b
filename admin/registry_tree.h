// The companion's one walk of the registry tree, which its query and its export share: a key and
// every key below it, depth first, each before its subkeys. A symbolic link key is visited as a
// key of its own and never followed, so that a link to a key above it cannot make a walk endless;
// the walk keeps its own stack, so that no depth of keys can exhaust the program's.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "admin/registry_view.h"
#include "platform/registry.h"

namespace regcorvex {

struct WalkedKey {
  platform::Hkey key;  // open for reading while the visit lasts; kNoKey when it could not be opened
  platform::Long status;                // of opening it
  std::u16string path;                  // below the walk's top, levels joined by backslashes
  bool link;                            // a symbolic link key: its subkeys are not walked
  std::vector<std::u16string> subkeys;  // the names of its subkeys
};

// Walks below top, an open key, visiting top itself with the empty path; with recursive false
// only top. Subkeys are opened with the view's access.
void WalkKeyTree(platform::Registry& registry, platform::Hkey top, RegistryView view,
                 bool recursive, const std::function<void(const WalkedKey&)>& visit);

// Whether key, opened as a link key is (kRegOptionOpenLink), is a symbolic link.
bool IsLinkKey(platform::Registry& registry, platform::Hkey key);

// A registry key read whole with the 8-bit functions, so that names and texts are in the ANSI
// code page as the import writes them.
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
  bool link = false;                                // a symbolic link key, not followed
};

struct TreeRead {
  platform::Long status = platform::kErrorSuccess;  // of opening the top key
  std::vector<TreeKey> keys;                        // the top key first, then depth first
};

TreeRead ReadKeyTree(platform::Registry& registry, platform::Hkey root, const std::string& path,
                     RegistryView view = kProductView);

}  // namespace regcorvex
