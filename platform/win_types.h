// The Win32 scalar types, handles and constants that the logic uses, declared without <windows.h>
// so that shared headers stay platform-neutral. Names avoid the Win32 macros they stand for.
#pragma once

#include <cstdint>

namespace platform {

using Dword = std::uint32_t;
using Long = std::int32_t;  // a Win32 error code (LSTATUS) or a window long

// Registry key handle. The predefined roots carry their Windows values.
enum class Hkey : std::uintptr_t {};
inline constexpr Hkey kNoKey{0};
inline constexpr Hkey kHkeyCurrentUser{0x80000001u};
inline constexpr Hkey kHkeyLocalMachine{0x80000002u};
inline constexpr Hkey kHkeyUsers{0x80000003u};

// Window handle; kNoWindow is "owned by no window".
enum class Hwnd : std::uintptr_t {};
inline constexpr Hwnd kNoWindow{0};

// Win32 error codes.
inline constexpr Long kErrorSuccess = 0;
inline constexpr Long kErrorFileNotFound = 2;
inline constexpr Long kErrorPathNotFound = 3;
inline constexpr Long kErrorAccessDenied = 5;
inline constexpr Long kErrorInvalidHandle = 6;
inline constexpr Long kErrorNotEnoughMemory = 8;
inline constexpr Long kErrorWriteFault = 29;
inline constexpr Long kErrorReadFault = 30;
inline constexpr Long kErrorInvalidParameter = 87;
inline constexpr Long kErrorInvalidName = 123;
inline constexpr Long kErrorBadPathname = 161;
inline constexpr Long kErrorFilenameExcedRange = 206;
inline constexpr Long kErrorFileTooLarge = 223;
inline constexpr Long kErrorMoreData = 234;
inline constexpr Long kErrorNoMoreItems = 259;
inline constexpr Long kErrorBadlyFormedDb = 1009;  // ERROR_BADDB: the registry file is corrupt
inline constexpr Long kErrorKeyDeleted = 1018;
inline constexpr Long kErrorLockViolation = 33;

// Registry value types.
inline constexpr Dword kRegNone = 0;
inline constexpr Dword kRegSz = 1;
inline constexpr Dword kRegExpandSz = 2;
inline constexpr Dword kRegBinary = 3;
inline constexpr Dword kRegDword = 4;
inline constexpr Dword kRegDwordBigEndian = 5;
inline constexpr Dword kRegLink = 6;
inline constexpr Dword kRegMultiSz = 7;
inline constexpr Dword kRegQword = 11;

// Registry access rights and options.
inline constexpr Dword kKeyQueryValue = 0x0001;
inline constexpr Dword kKeySetValue = 0x0002;
inline constexpr Dword kKeyCreateSubKey = 0x0004;
inline constexpr Dword kKeyEnumerateSubKeys = 0x0008;
inline constexpr Dword kKeyRead = 0x20019;
inline constexpr Dword kKeyReadStandard = 0x20009;  // STANDARD_RIGHTS_READ | QUERY | ENUMERATE
inline constexpr Dword kKeyAllAccess = 0xF003F;
// The registry views of 64-bit Windows: a key opened without either is in the view the product
// reads, the 32-bit one (HKLM\Software\Wow6432Node).
inline constexpr Dword kKeyWow6464Key = 0x0100;
inline constexpr Dword kKeyWow6432Key = 0x0200;
inline constexpr Dword kRegOptionNonVolatile = 0;
// RegOpenKeyEx: a symbolic link key is opened itself, not followed to its target.
inline constexpr Dword kRegOptionOpenLink = 8;
inline constexpr Dword kRegCreatedNewKey = 1;
inline constexpr Dword kRegOpenedExistingKey = 2;

// File attributes.
inline constexpr Dword kInvalidFileAttributes = 0xFFFFFFFFu;
inline constexpr Dword kFileAttributeDirectory = 0x10;

// Window styles and message box flags.
inline constexpr int kGwlExStyle = -20;
inline constexpr Long kWsExToolWindow = 0x80;
inline constexpr unsigned kMbOk = 0x0;
inline constexpr unsigned kMbIconError = 0x10;
inline constexpr unsigned kMbSetForeground = 0x10000;
inline constexpr int kIdOk = 1;

}  // namespace platform
