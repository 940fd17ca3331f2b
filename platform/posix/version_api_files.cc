// Placeholder until the PE and ELF reader lands: no file has a version resource.
#include "platform/version_api.h"

namespace platform {
namespace {

class NoVersionApi final : public VersionApi {
 public:
  Dword GetFileVersionInfoSizeA(const char*, Dword* handle) override {
    if (handle != nullptr) *handle = 0;
    return 0;
  }
  bool GetFileVersionInfoA(const char*, Dword, Dword, void*) override { return false; }
  bool VerQueryValueA(const void*, const char*, void**, unsigned*) override { return false; }
  std::string ExecutablePath() override { return {}; }
};

}  // namespace

VersionApi& DefaultVersionApi() {
  static NoVersionApi api;
  return api;
}

}  // namespace platform
