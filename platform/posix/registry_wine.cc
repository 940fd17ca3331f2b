// Placeholder until the hive-file registry lands: every open fails.
#include "platform/registry.h"

namespace platform {
namespace {

class UnavailableRegistry final : public Registry {
 public:
  Long RegOpenKeyExA(Hkey, const char*, Dword, Dword, Hkey* result) override {
    *result = kNoKey;
    return kErrorAccessDenied;
  }
  Long RegCreateKeyExA(Hkey, const char*, Dword, Dword, Hkey* result, Dword*) override {
    *result = kNoKey;
    return kErrorAccessDenied;
  }
  Long RegSetValueExA(Hkey, const char*, Dword, const std::uint8_t*, Dword) override {
    return kErrorInvalidHandle;
  }
  Long RegQueryValueExA(Hkey, const char*, Dword*, std::uint8_t*, Dword*) override {
    return kErrorInvalidHandle;
  }
  Long RegDeleteValueA(Hkey, const char*) override { return kErrorInvalidHandle; }
  Long RegDeleteKeyA(Hkey, const char*) override { return kErrorInvalidHandle; }
  Long RegEnumValueA(Hkey, Dword, char*, Dword*, Dword*, std::uint8_t*, Dword*) override {
    return kErrorInvalidHandle;
  }
  Long RegEnumKeyExA(Hkey, Dword, char*, Dword*) override { return kErrorInvalidHandle; }
  Long RegQueryInfoKeyA(Hkey, Dword*, Dword*, Dword*, Dword*, Dword*) override {
    return kErrorInvalidHandle;
  }
  Long RegCloseKey(Hkey) override { return kErrorInvalidHandle; }
};

}  // namespace

Registry& DefaultRegistry() {
  static UnavailableRegistry registry;
  return registry;
}

}  // namespace platform
