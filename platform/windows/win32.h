// The one include of <windows.h>: lean, without min/max macros, for Windows 7 and later.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0601

#include <windows.h>

#include "platform/win_types.h"

namespace platform {

inline HKEY ToNative(Hkey key) { return reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(key)); }
inline Hkey FromNative(HKEY key) { return Hkey{reinterpret_cast<std::uintptr_t>(key)}; }
inline HWND ToNative(Hwnd window) {
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window));
}
inline Hwnd FromNative(HWND window) { return Hwnd{reinterpret_cast<std::uintptr_t>(window)}; }

}  // namespace platform
