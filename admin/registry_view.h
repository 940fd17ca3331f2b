// Which of the machine's two registry views the companion reads. A 64-bit Windows keeps the
// 32-bit view of HKEY_LOCAL_MACHINE\Software below Software\Wow6432Node; the import writes the
// machine's values there, so that is the view read unless another is asked for (/reg:64).
#pragma once

#include "platform/win_types.h"

namespace regcorvex {

enum class RegistryView { k32, k64 };

// The view of the product's values.
inline constexpr RegistryView kProductView = RegistryView::k32;

// The access flags that open a key in view, to be added to the access asked for.
constexpr platform::Dword ViewAccess(RegistryView view) {
  return view == RegistryView::k64 ? platform::kKeyWow6464Key : platform::kKeyWow6432Key;
}

}  // namespace regcorvex
