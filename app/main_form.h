// The main form of the run. It is never shown: building it runs the whole job in FormCreate, and
// destroying it at the end of the process runs FormDestroy.
#pragma once

#include <memory>
#include <string>

#include "app/platform_services.h"
#include "common/version_info.h"
#include "prefs/config_manager.h"

namespace regcorvex {

class TMainWin {
 public:
  explicit TMainWin(PlatformServices& services);
  ~TMainWin();
  TMainWin(const TMainWin&) = delete;
  TMainWin& operator=(const TMainWin&) = delete;

  // The run sequence; ends with the quit request.
  void FormCreate();
  void FormDestroy();
  void ProcessParam(const std::string& param);
  void RunImport(const std::string& file_name);
  std::string ExtractOptionValue(const std::string& option) const;

  const TVersionInfo& VersionInfo() const { return VersionInfo_; }
  const std::string& ImportFile() const { return ImportFile_; }
  const std::string& ImportPath() const { return ImportPath_; }

 private:
  PlatformServices& services_;
  TVersionInfo VersionInfo_;  // has read the executable's resource before FormCreate runs
  std::string ImportFile_;
  std::string ImportPath_;
  std::unique_ptr<TConfigManager> ConfigMgr;  // the one preference store, from FormCreate on
};

}  // namespace regcorvex
