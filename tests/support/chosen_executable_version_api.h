// The version functions of the platform, except that the running executable is a chosen file:
// for a test, or a harness that runs the program's code in its own process, where the version
// resource to check is the chosen file's and not the running program's.
#pragma once

#include <string>
#include <utility>

#include "platform/version_api.h"

namespace regcorvex::test {

class ChosenExecutableVersionApi : public platform::VersionApi {
 public:
  explicit ChosenExecutableVersionApi(std::string executable)
      : executable_(std::move(executable)) {}

  platform::Dword GetFileVersionInfoSizeA(const char* path, platform::Dword* handle) override {
    return system_.GetFileVersionInfoSizeA(path, handle);
  }
  bool GetFileVersionInfoA(const char* path, platform::Dword handle, platform::Dword size,
                           void* data) override {
    return system_.GetFileVersionInfoA(path, handle, size, data);
  }
  bool VerQueryValueA(const void* block, const char* sub_block, void** buffer,
                      unsigned* length) override {
    return system_.VerQueryValueA(block, sub_block, buffer, length);
  }
  std::string ExecutablePath() override { return executable_; }

 private:
  platform::VersionApi& system_ = platform::DefaultVersionApi();
  std::string executable_;
};

}  // namespace regcorvex::test
