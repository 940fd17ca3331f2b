// The registry of a Wine prefix, kept in its hive files as Wine 8 keeps them: user.reg holds
// HKEY_CURRENT_USER, system.reg HKEY_LOCAL_MACHINE, seen as a 32-bit program sees them. Each hive
// is read at its first use, under an exclusive lock on the prefix held until Persist() saves the
// hives that changed (atomically) and releases it. A hive that cannot be read, or a running
// wineserver for the prefix, fails every open of that root; FailureText() then says why.
#pragma once

#include <memory>
#include <string>

#include "platform/registry.h"

namespace platform {

class WinePrefixRegistry : public Registry {
 public:
  // From now on HKEY_LOCAL_MACHINE behaves as if its hive file could not be written. For tests
  // that run where the file permissions cannot say so (as root).
  virtual void DenyMachineWrites() = 0;
};

std::unique_ptr<WinePrefixRegistry> OpenWinePrefixRegistry(const std::string& prefix_path);

}  // namespace platform
