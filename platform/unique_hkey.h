// An open registry key that closes itself through the registry it came from.
#pragma once

#include "platform/registry.h"
#include "platform/unique_handle.h"

namespace platform {

struct HkeyTraits {
  using Handle = Hkey;
  static constexpr Hkey kEmpty = kNoKey;
  Registry* registry = nullptr;
  void Close(Hkey key) const { registry->RegCloseKey(key); }
};

using UniqueHkey = UniqueHandle<HkeyTraits>;

inline UniqueHkey MakeUniqueHkey(Registry& registry, Hkey key) {
  return UniqueHkey(key, HkeyTraits{&registry});
}

}  // namespace platform
