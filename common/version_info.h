// TVersionInfo reads the version resource of one file, by default the running executable: its ten
// standard strings, the four numbers of its file version as text and a text made from its file
// flags. Whatever the file does not supply reads as an empty string; nothing is reported.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/version_api.h"

namespace regcorvex {

// The four parts of a version text such as "5.7.0.1", each trimmed of blanks and controls.
struct VersionNumbers {
  std::string major;
  std::string minor;
  std::string release;
  std::string build;
};

// Splits at the first three full stops; the last part keeps any further ones ("1.2.3.4.5" gives
// "4.5"), and missing parts are taken from the front ("5.7" gives major 5 and build 7).
VersionNumbers SplitVersionString(std::string_view text);

class TVersionInfo {
 public:
  // Loads the resource of the running executable.
  explicit TVersionInfo(platform::VersionApi& api);
  TVersionInfo(const TVersionInfo&) = delete;
  TVersionInfo& operator=(const TVersionInfo&) = delete;

  // Loads the resource of path, unless path is the current FileName (compared exactly). When the
  // file has no resource, or it cannot be read, the values of the earlier load stay.
  void SetFileName(const std::string& path);

  const std::string& FileName() const { return FileName_; }
  const std::string& CompanyName() const { return CompanyName_; }
  const std::string& FileDescription() const { return FileDescription_; }
  const std::string& FileVersion() const { return FileVersion_; }
  const std::string& InternalName() const { return InternalName_; }
  const std::string& LegalCopyright() const { return LegalCopyright_; }
  const std::string& LegalTradeMarks() const { return LegalTradeMarks_; }
  const std::string& OriginalFilename() const { return OriginalFilename_; }
  const std::string& ProductName() const { return ProductName_; }
  const std::string& ProductVersion() const { return ProductVersion_; }
  const std::string& Comments() const { return Comments_; }
  const std::string& FileFlagsText() const { return FileFlagsText_; }
  const std::string& MajorVersion() const { return MajorVersion_; }
  const std::string& MinorVersion() const { return MinorVersion_; }
  const std::string& Release() const { return Release_; }
  const std::string& Build() const { return Build_; }

 private:
  struct FixedInfo {
    std::uint32_t file_version_ms;
    std::uint32_t file_version_ls;
    std::uint32_t file_flags;
  };

  std::string QueryString(const std::string& key) const;
  std::string BuildFileFlagsText() const;
  // The fixed record of the held block; false when it is missing or shorter than the record.
  bool QueryFixedInfo(FixedInfo* fixed) const;

  platform::VersionApi& api_;
  std::string FileName_;
  std::vector<std::uint8_t> block_;  // empty: no block held
  std::string CompanyName_;
  std::string FileDescription_;
  std::string FileVersion_;
  std::string InternalName_;
  std::string LegalCopyright_;
  std::string LegalTradeMarks_;
  std::string OriginalFilename_;
  std::string ProductName_;
  std::string ProductVersion_;
  std::string Comments_;
  std::string FileFlagsText_;
  std::string MajorVersion_;
  std::string MinorVersion_;
  std::string Release_;
  std::string Build_;
};

}  // namespace regcorvex
