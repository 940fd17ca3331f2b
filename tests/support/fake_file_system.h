// A file-system stand-in: full paths come from a table (anything else is joined to the current
// folder C:\Work), files and folders exist when listed, and every attribute query is recorded.
#pragma once

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace regcorvex::test {

class FakeFileSystem final : public platform::FileSystem {
 public:
  platform::Dword GetFullPathNameA(const char* name, platform::Dword buffer_length,
                                   char* buffer) override {
    const auto known = full_paths.find(name);
    const std::string full =
        known != full_paths.end() ? known->second : "C:\\Work\\" + std::string(name);
    if (full.size() + 1 > buffer_length) return static_cast<platform::Dword>(full.size() + 1);
    std::memcpy(buffer, full.c_str(), full.size() + 1);
    return static_cast<platform::Dword>(full.size());
  }
  platform::Dword GetFileAttributesA(const char* path) override {
    queried.push_back(path);
    if (files.count(path) != 0) return 0x20;
    if (folders.count(path) != 0) return platform::kFileAttributeDirectory;
    last_error = platform::kErrorFileNotFound;
    return platform::kInvalidFileAttributes;
  }
  platform::Dword GetLastError() override { return static_cast<platform::Dword>(last_error); }
  bool FindFirstFileA(const char*, platform::FindData*) override { return false; }
  platform::Long ReadWholeFile(const char*, std::string*) override {
    return platform::kErrorFileNotFound;
  }

  std::map<std::string, std::string> full_paths;
  std::set<std::string> files;
  std::set<std::string> folders;
  std::vector<std::string> queried;
  platform::Long last_error = platform::kErrorSuccess;
};

}  // namespace regcorvex::test
