// A registry file as `reg export` and the registry editor write it: "REGEDIT4" in the ANSI code
// page, or "Windows Registry Editor Version 5.00" in UTF-16 with a byte order mark. Keys in
// brackets, values as "name"= or @= followed by a quoted text, dword:, hex: or hex(N):, lines
// continued with a backslash, comments after ";". Deletions ([-key], "name"=-) are passed by.
// Names and texts come out in the ANSI code page, as the 8-bit registry functions give them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "admin/registry_tree.h"

namespace regcorvex {

struct RegFileKey {
  platform::Hkey root;    // kNoKey for a root other than HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE
  std::string root_name;  // as written
  TreeKey key;
};

struct RegFile {
  std::vector<RegFileKey> keys;  // in file order; a key named twice is listed twice
  std::string error;             // empty when the whole file was read
  int line = 0;                  // of the error
};

RegFile ParseRegFile(std::string_view bytes);

}  // namespace regcorvex
