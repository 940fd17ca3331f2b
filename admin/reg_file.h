// A registry file as `reg export` and the registry editor write it, in every form the editor
// imports: "Windows Registry Editor Version 5.00" or "REGEDIT4" (the first word in any case), in
// UTF-16 of either byte order (with a byte order mark or without), in UTF-8 (with a mark or
// without) or in the ANSI code page. Keys in brackets, values as "name"= or @= followed by a
// quoted text, dword:, hex: or hex(N):, lines continued with a backslash, comments after ";".
// Deletions ([-key], "name"=-, @=-) are kept as deletions. A line that cannot be read is listed
// with its number and the reason and the rest of the file is read on. Names and texts come out in
// the ANSI code page, as the 8-bit registry functions give them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "admin/registry_tree.h"

namespace regcorvex {

struct RegFileKey {
  platform::Hkey root;    // kNoKey for a root other than HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE
  std::string root_name;  // as written
  TreeKey key;            // its values in file order
  bool deleted = false;   // [-key]: the key and every key below it are deleted
  std::vector<std::string> deleted_values;  // "name"=- in file order; "" for @=-
  int line = 0;                             // of the key's line
};

struct RegFileLine {
  int line;
  std::string reason;
};

struct RegFile {
  std::vector<RegFileKey> keys;     // in file order; a key named twice is listed twice
  std::vector<RegFileLine> unread;  // lines not read, with why; the rest of the file was read
  std::string encoding;             // how the file was read: "UTF-8", "UTF-16LE"...
  std::string error;                // not a registry file: nothing was read
};

RegFile ParseRegFile(std::string_view bytes);

}  // namespace regcorvex
