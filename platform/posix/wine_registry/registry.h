// The registry of a Wine prefix, kept in its hive files as Wine 8 keeps them: user.reg holds
// HKEY_CURRENT_USER, system.reg HKEY_LOCAL_MACHINE, seen as a 32-bit program sees them. Each hive
// is read at its first use, under an exclusive lock on the prefix held until Persist() saves the
// hives that changed (atomically) and releases it. A hive that cannot be read, a prefix or server
// folder that Wine would refuse, or a running wineserver for the prefix, fails every open of that
// root; UnusableReason() then says why. Key trees deeper than Windows allows (512 levels) are
// refused as damaged, so that no walk of a tree goes deeper than that.
#pragma once

#include <chrono>
#include <functional>
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

struct WinePrefixOptions {
  // Only looks: a missing prefix is reported instead of made, nothing is saved or removed.
  bool read_only = false;
  // How long a run waits, in all, for another run that holds the prefix.
  std::chrono::milliseconds lock_wait = std::chrono::minutes(2);
  // Where Wine keeps its server folders.
  std::string tmp = "/tmp";
  // Why there is no prefix to use at all: every open fails with this reason.
  std::string no_prefix{};

  // The places of a run where a test may step in, to end the process there or to throw as an
  // allocation that fails would: each look at the prefix's lock that finds another run holding
  // it; a hive file just read, before its text is parsed; and each step of a hive's save (made,
  // written piece by piece, flushed, in place).
  enum class Point { kWaitingForLock, kHiveRead, kSaving };
  std::function<void(Point)> at_point{};
};

std::unique_ptr<WinePrefixRegistry> OpenWinePrefixRegistry(const std::string& prefix_path,
                                                           WinePrefixOptions options = {});

}  // namespace platform
