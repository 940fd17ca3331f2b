// The owners of the Win32 handle kinds this program holds, each closed by its own function. A
// handle is empty as its opening function returns it on failure: null for most kinds,
// INVALID_HANDLE_VALUE for a file from CreateFile and a search from FindFirstFile.
#pragma once

#include "platform/unique_handle.h"
#include "platform/windows/win32.h"

namespace platform {

template <typename H, BOOL(WINAPI* kClose)(H), bool kInvalidValueIsEmpty>
struct Win32Traits {
  using Handle = H;
  static inline const H kEmpty =
      kInvalidValueIsEmpty ? static_cast<H>(INVALID_HANDLE_VALUE) : static_cast<H>(nullptr);
  void Close(H handle) const { kClose(handle); }
};

// A process, thread, mutex or other kernel object.
using UniqueWin32Handle = UniqueHandle<Win32Traits<HANDLE, ::CloseHandle, false>>;
using UniqueFileHandle = UniqueHandle<Win32Traits<HANDLE, ::CloseHandle, true>>;
using UniqueFindHandle = UniqueHandle<Win32Traits<HANDLE, ::FindClose, true>>;
using UniqueEventSource = UniqueHandle<Win32Traits<HANDLE, ::DeregisterEventSource, false>>;
using UniqueModule = UniqueHandle<Win32Traits<HMODULE, ::FreeLibrary, false>>;

}  // namespace platform
