// The owners of the Win32 handle kinds this program holds, each closed by its own function. A
// kernel object's handle is empty as null, a file's and a search's as INVALID_HANDLE_VALUE, as the
// functions that open them return on failure.
#pragma once

#include "platform/unique_handle.h"
#include "platform/windows/win32.h"

namespace platform {

// A process, thread, mutex or other kernel object: CloseHandle; null when empty.
struct Win32HandleTraits {
  using Handle = HANDLE;
  static inline const HANDLE kEmpty = nullptr;
  void Close(HANDLE handle) const { ::CloseHandle(handle); }
};
using UniqueWin32Handle = UniqueHandle<Win32HandleTraits>;

// A file from CreateFile: CloseHandle; INVALID_HANDLE_VALUE when empty.
struct FileHandleTraits {
  using Handle = HANDLE;
  static inline const HANDLE kEmpty = INVALID_HANDLE_VALUE;
  void Close(HANDLE file) const { ::CloseHandle(file); }
};
using UniqueFileHandle = UniqueHandle<FileHandleTraits>;

// A search from FindFirstFile: FindClose; INVALID_HANDLE_VALUE when empty.
struct FindHandleTraits {
  using Handle = HANDLE;
  static inline const HANDLE kEmpty = INVALID_HANDLE_VALUE;
  void Close(HANDLE search) const { ::FindClose(search); }
};
using UniqueFindHandle = UniqueHandle<FindHandleTraits>;

// An event source from RegisterEventSource: DeregisterEventSource; null when empty.
struct EventSourceTraits {
  using Handle = HANDLE;
  static inline const HANDLE kEmpty = nullptr;
  void Close(HANDLE source) const { ::DeregisterEventSource(source); }
};
using UniqueEventSource = UniqueHandle<EventSourceTraits>;

// A module from LoadLibrary: FreeLibrary; null when empty.
struct ModuleTraits {
  using Handle = HMODULE;
  static inline const HMODULE kEmpty = nullptr;
  void Close(HMODULE module) const { ::FreeLibrary(module); }
};
using UniqueModule = UniqueHandle<ModuleTraits>;

}  // namespace platform
