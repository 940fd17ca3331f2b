// Taking a Wine prefix for one run, as Wine itself would accept it: the prefix folder must be the
// running user's own (Wine refuses any other, for root too), and the wineserver's folders under
// /tmp must be the user's own and closed to others, or a planted one could stall or mislead the
// run. Nothing here blocks: a lock held by another run is waited for only up to a deadline, and a
// path that is not what it should be (a FIFO, a device, a link) is refused without opening it.
#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "platform/posix/wine_registry/files.h"

namespace platform::wine_registry {

// An exclusive flock on the prefix folder itself, so that the prefix gains no file of ours.
// With create, a missing prefix folder is made first (Wine makes one on its first run); without,
// it is refused. Fails with kErrorLockViolation. waiting, where given, is called each time the lock
// is found held by another run, before the wait for it goes on.
Expected<UniqueFd> LockPrefix(const std::string& prefix, bool create,
                              std::chrono::steady_clock::time_point deadline,
                              const std::function<void()>& waiting = {});

// Whether a wineserver runs for the prefix: it then holds a write lock on byte 0 of the file
// "lock" in its server folder <tmp>/<name>/server-<dev>-<ino>/, <name> being ".wine-<uid>" or the
// one written in the prefix's "wineserver" file. Fails (kErrorLockViolation) when one of those
// folders or files is not the user's own or not what Wine makes.
Expected<bool> ProbeWineServer(const std::string& prefix, const std::string& tmp = "/tmp");

}  // namespace platform::wine_registry
