// Where the Wine prefix lives and how its drives map Windows paths onto Unix paths, as Wine maps
// them for a program running in the prefix. Windows-side names are 8-bit code page 1252 text;
// Unix-side names are UTF-8.
#pragma once

#include <optional>
#include <string>

namespace platform {

// The prefix a Wine program of this user would use, decided as Wine decides it: $WINEPREFIX; else
// .wine in the home folder, which is $HOME or, when that is unset or empty, the one the password
// database gives the user. When there is no home folder, or it is not an absolute path, there is
// no prefix (never one at the root of the file system by accident): path is empty and error says
// why.
struct WinePrefixLocation {
  std::string path;
  std::string error;
};
WinePrefixLocation LocateWinePrefix();

// The Unix folder a drive letter stands for: the target of the prefix's dosdevices link, or "/"
// for Z: when the prefix has no such link (or there is no prefix). Empty when the drive does not
// exist.
std::optional<std::string> DriveRoot(char letter);

// An absolute Unix path as a Windows path: the deepest folder that is a drive's root names the
// drive ("Z:\" for "/" when no other drive holds it).
std::string UnixToWindowsPath(const std::string& unix_path);

// A full Windows path ("X:\..." with no "." or ".." left) as a Unix path. Each component that does
// not exist with its exact name is matched without regard to case, as Windows does.
std::optional<std::string> WindowsToUnixPath(const std::string& windows_path);

}  // namespace platform
