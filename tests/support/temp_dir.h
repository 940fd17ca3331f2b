// A fresh folder for one test, removed with everything in it when the test ends.
#pragma once

#include <filesystem>
#include <string>

namespace regcorvex::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Writes contents to the file name below the folder (creating folders) and returns its path.
  std::filesystem::path Write(const std::string& name, const std::string& contents) const;

 private:
  std::filesystem::path path_;
};

}  // namespace regcorvex::test
