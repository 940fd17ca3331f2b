// Windows paths over the Wine prefix's drives: full-path expansion as Wine does it, attributes
// and existence from the Unix file the path maps to, and the command line as Wine builds it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/code_page.h"
#include "platform/file_system.h"
#include "platform/posix/wine_prefix.h"
#include "platform/posix/wine_registry/files.h"
#include "platform/utf8.h"

namespace platform {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The 8-bit file functions hold a name in a buffer of MAX_PATH + 1 characters, and a full path in
// one of MAX_PATH.
constexpr std::size_t kMaxAnsiName = 260;
constexpr std::size_t kMaxFullPath = 259;

// The character at index, or NUL past the end, as the C string functions see it.
char At(const std::string& text, std::size_t index) {
  return index < text.size() ? text[index] : '\0';
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c; }

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Upper(a[i]) != Upper(b[i])) return false;
  }
  return true;
}

enum class PathType { kUnc, kDevice, kAbsoluteDrive, kRelativeDrive, kRelative, kRooted, kUncDot };

PathType TypeOf(const std::string& path) {
  if (IsSeparator(At(path, 0))) {
    if (!IsSeparator(At(path, 1))) return PathType::kRooted;              // \foo
    if (At(path, 2) != '.' && At(path, 2) != '?') return PathType::kUnc;  // \\foo
    if (IsSeparator(At(path, 3))) return PathType::kDevice;               // \\.\foo, \\?\foo
    if (At(path, 3) != '\0') return PathType::kUnc;                       // \\.foo
    return PathType::kUncDot;                                             // \\.
  }
  if (At(path, 0) == '\0' || At(path, 1) != ':') return PathType::kRelative;  // foo
  return IsSeparator(At(path, 2)) ? PathType::kAbsoluteDrive                  // c:\foo
                                  : PathType::kRelativeDrive;                 // c:foo
}

// The length of "\\server\share\" at the start of a UNC path.
std::size_t UncPrefixLength(const std::string& path) {
  std::size_t at = 2;
  while (at < path.size() && !IsSeparator(path[at])) ++at;
  while (at < path.size() && IsSeparator(path[at])) ++at;
  while (at < path.size() && !IsSeparator(path[at])) ++at;
  while (at < path.size() && IsSeparator(path[at])) ++at;
  return at;
}

// The DOS device a name stands for, as Wine's RtlIsDosDeviceName_U finds it: AUX, CON, NUL, PRN,
// COM1-9, LPT1-9, CONIN$ or CONOUT$ as the last component, up to its first dot or colon, without
// the spaces that end it ("\\.\" and the device), else nothing. Of the device paths only
// "\\.\CON" names one.
std::optional<std::string> DeviceName(const std::string& name) {
  const PathType type = TypeOf(name);
  if (type == PathType::kUnc) return std::nullopt;
  if (type == PathType::kDevice) {
    if (EqualIgnoringCase(name, "\\\\.\\CON")) return "\\\\.\\" + name.substr(4, 3);
    return std::nullopt;
  }
  std::size_t start = type == PathType::kAbsoluteDrive || type == PathType::kRelativeDrive ? 2 : 0;
  for (std::size_t i = start; i < name.size(); ++i) {
    if (IsSeparator(name[i])) start = i + 1;
  }
  std::size_t end = name.find_first_of(".:", start);
  if (end == std::string::npos) end = name.size();
  while (end > start && name[end - 1] == ' ') --end;
  const std::string_view device = std::string_view(name).substr(start, end - start);
  const auto is = [&](std::string_view known) { return EqualIgnoringCase(device, known); };
  const bool numbered = device.size() == 4 &&
                        (EqualIgnoringCase(device.substr(0, 3), "COM") ||
                         EqualIgnoringCase(device.substr(0, 3), "LPT")) &&
                        device[3] >= '1' && device[3] <= '9';
  const bool named =
      numbered || is("AUX") || is("CON") || is("NUL") || is("PRN") || is("CONIN$") || is("CONOUT$");
  if (!named) return std::nullopt;
  return "\\\\.\\" + std::string(device);
}

// Turns every "/" into "\", folds repeated separators after the first mark characters (the root
// that ".." cannot leave), resolves "." and "..", drops a dot that ends a folder's name, and drops
// the dots and spaces that end the path.
std::string CollapsePath(std::string path, std::size_t mark) {
  for (char& c : path) c = c == '/' ? '\\' : c;
  const std::size_t kept = std::max<std::size_t>(1, mark);
  std::string folded = path.substr(0, kept);
  for (std::size_t i = kept; i < path.size(); ++i) {
    if (path[i] != '\\' || folded.back() != '\\') folded += path[i];
  }
  path = std::move(folded);
  // Back from p to the start of the component before it.
  const auto component_start = [&](std::size_t p) {
    if (p > mark) {
      --p;
      while (p > mark && path[p - 1] != '\\') --p;
    }
    return p;
  };
  std::size_t p = mark;
  while (p < path.size()) {
    if (path[p] == '.') {
      if (At(path, p + 1) == '\\') {  // .\ component
        path.erase(p, 2);
        continue;
      }
      if (At(path, p + 1) == '\0') {  // final .
        if (p > mark) --p;
        path.resize(p);
        continue;
      }
      if (At(path, p + 1) == '.' && At(path, p + 2) == '\\') {  // ..\ component
        const std::size_t next = p + 3;
        p = component_start(p);
        path.erase(p, next - p);
        continue;
      }
      if (At(path, p + 1) == '.' && At(path, p + 2) == '\0') {  // final ..
        p = component_start(p);
        if (p > mark) --p;
        path.resize(p);
        continue;
      }
    }
    while (p < path.size() && path[p] != '\\') ++p;
    if (p < path.size()) {
      if (p > mark && path[p - 1] == '.') {
        path.erase(p - 1, 1);
      } else {
        ++p;
      }
    }
  }
  while (p > mark && (path[p - 1] == ' ' || path[p - 1] == '.')) --p;
  path.resize(p);
  return path;
}

// The current folder as Windows keeps it: with a trailing backslash.
std::string CurrentFolder() {
  std::vector<char> buffer(4096);
  while (getcwd(buffer.data(), buffer.size()) == nullptr) buffer.resize(buffer.size() * 2);
  std::string folder = UnixToWindowsPath(buffer.data());
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder;
}

// The full path of a name, as Wine's RtlGetFullPathName_U makes it.
std::string FullPath(const std::string& name) {
  if (auto device = DeviceName(name)) return *device;
  const std::string cwd = CurrentFolder();
  const std::size_t cwd_mark = cwd[1] == ':' ? 3 : UncPrefixLength(cwd);
  switch (TypeOf(name)) {
    case PathType::kUnc:
      return CollapsePath(name, UncPrefixLength(name));
    case PathType::kDevice:
      return CollapsePath(name, 4);
    case PathType::kAbsoluteDrive:
      return CollapsePath(name, 3);
    case PathType::kRelativeDrive:
      // On another drive: its root (its own current folder is not kept).
      if (Upper(name[0]) != Upper(cwd[0]) || cwd[1] != ':') {
        return CollapsePath(name.substr(0, 1) + ":\\" + name.substr(2), 3);
      }
      return CollapsePath(cwd + name.substr(2), cwd_mark);
    case PathType::kRelative:
      return CollapsePath(cwd + name, cwd_mark);
    case PathType::kRooted:
      return cwd[1] == ':' ? CollapsePath(cwd.substr(0, 2) + name, 3)
                           : CollapsePath(cwd.substr(0, cwd_mark) + name, cwd_mark);
    case PathType::kUncDot:
      return CollapsePath("\\\\.\\" + name.substr(3), 4);
  }
  return name;
}

constexpr Dword kFileAttributeArchive = 0x20;
constexpr Dword kFileAttributeReadOnly = 0x01;
constexpr Dword kFileAttributeReparsePoint = 0x400;
constexpr Long kErrorBadDeviceType = 66;

// As Wine reports the file at unix_path: folders, else archive files, read-only when no one may
// write; a folder reached through a symbolic link, or where another file system is mounted, is
// also a reparse point.
Long AttributesOf(const std::string& unix_path, Dword* attributes) {
  struct stat info;
  if (stat(unix_path.c_str(), &info) != 0) {
    const std::string parent = unix_path.substr(0, unix_path.find_last_of('/') + 1);
    struct stat parent_info;
    return stat(parent.c_str(), &parent_info) == 0 ? kErrorFileNotFound : kErrorPathNotFound;
  }
  if (!S_ISDIR(info.st_mode)) {
    *attributes = (info.st_mode & 0222) == 0 ? kFileAttributeArchive | kFileAttributeReadOnly
                                             : kFileAttributeArchive;
    return kErrorSuccess;
  }
  *attributes = kFileAttributeDirectory;
  struct stat link, parent;
  const bool linked = lstat(unix_path.c_str(), &link) == 0 && S_ISLNK(link.st_mode);
  const bool mounted = stat((unix_path + "/..").c_str(), &parent) == 0 &&
                       (parent.st_dev != info.st_dev || parent.st_ino == info.st_ino);
  if (linked || mounted) *attributes |= kFileAttributeReparsePoint;
  return kErrorSuccess;
}

// Characters no file name holds; the "?" of a "\\?\" prefix is none of them.
bool HasInvalidCharacter(const std::string& path) {
  const std::size_t start = TypeOf(path) == PathType::kDevice && path[2] == '?' ? 4 : 0;
  for (size_t i = start; i < path.size(); ++i) {
    const auto c = static_cast<unsigned char>(path[i]);
    if (c < 32 || std::strchr("<>|\"*?", c) != nullptr) return true;
  }
  return false;
}

// Where a name leads for the file functions, as Wine's RtlDosPathNameToNtPathName_U and the
// prefix's drives take it: a DOS device (by the name it is called, "nul" for "nul.txt"), a file by
// its Unix path, or the error the functions report.
struct Target {
  Long error = kErrorSuccess;
  std::string device;
  std::string unix_path;
};

Target Failed(Long error) { return {error, "", ""}; }

Target TargetOf(const std::string& name) {
  if (name.size() > kMaxAnsiName) return Failed(kErrorFilenameExcedRange);
  if (name.empty() || HasInvalidCharacter(name)) return Failed(kErrorInvalidName);
  if (const auto device = DeviceName(name); device && TypeOf(name) != PathType::kDevice) {
    // The device is found in any folder that exists.
    const std::size_t folder_end = name.find_last_of("\\/") + 1;
    const bool drive_only = folder_end == 0 && name.size() > 1 && name[1] == ':';
    const std::string folder = name.substr(0, drive_only ? 2 : folder_end);
    const auto unix_folder = WindowsToUnixPath(folder.empty() ? CurrentFolder() : FullPath(folder));
    struct stat info;
    if (!unix_folder || stat(unix_folder->c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
      return Failed(kErrorPathNotFound);
    }
    return {kErrorSuccess, device->substr(4), ""};
  }
  const std::string full = FullPath(name);
  std::string path = full;
  if (TypeOf(full) == PathType::kDevice) {
    // "\\?\" hands the rest over as it stands, "\\.\" as the full path left it.
    path = name[2] == '?' ? name.substr(4) : full.substr(4);
    std::size_t start = 0;
    for (std::size_t end = 0; end != std::string::npos; start = end + 1) {
      end = path.find('\\', start);
      const std::string_view part = std::string_view(path).substr(start, end - start);
      if (part == "." || part == "..") return Failed(kErrorInvalidName);
    }
    if (path.find('\\') == std::string::npos) {  // a device of the object namespace
      return Failed(path.size() == 2 && path[1] == ':' ? kErrorInvalidParameter
                                                       : kErrorBadDeviceType);
    }
  }
  const auto unix_path = path.size() > kMaxFullPath ? std::nullopt : WindowsToUnixPath(path);
  if (!unix_path) return Failed(kErrorPathNotFound);
  return {kErrorSuccess, "", *unix_path};
}

class WineFileSystem final : public FileSystem {
 public:
  Dword GetFullPathNameA(const char* name, Dword buffer_length, char* buffer) override {
    if (name == nullptr || *name == '\0') {
      last_error_ = kErrorInvalidName;
      return 0;
    }
    if (std::strlen(name) > kMaxAnsiName) {
      last_error_ = kErrorFilenameExcedRange;
      return 0;
    }
    const std::string full = FullPath(name);
    if (full.size() > kMaxFullPath) {
      last_error_ = kErrorFilenameExcedRange;
      return 0;
    }
    if (full.size() + 1 > buffer_length) return static_cast<Dword>(full.size() + 1);
    std::memcpy(buffer, full.c_str(), full.size() + 1);
    return static_cast<Dword>(full.size());
  }

  // A DOS device has the attributes of an archive file.
  Dword GetFileAttributesA(const char* path) override {
    const Target target = TargetOf(path != nullptr ? path : "");
    Dword attributes = kFileAttributeArchive;
    last_error_ = target.error;
    if (last_error_ == kErrorSuccess && target.device.empty()) {
      last_error_ = AttributesOf(target.unix_path, &attributes);
    }
    return last_error_ == kErrorSuccess ? attributes : kInvalidFileAttributes;
  }

  Dword GetLastError() override { return static_cast<Dword>(last_error_); }

  // The name found is the last component of the full path, or the device's name; a name that
  // ends in a separator, or a bare drive, finds nothing.
  bool FindFirstFileA(const char* pattern, FindData* found) override {
    const std::string name = pattern != nullptr ? pattern : "";
    const Target target = TargetOf(name);
    if (target.error != kErrorSuccess) return false;
    if (!target.device.empty()) {
      *found = {kFileAttributeArchive, target.device};
      return true;
    }
    const std::string full = FullPath(name);
    if (full.back() == '\\' || (name.size() == 2 && name[1] == ':')) return false;
    found->name = full.substr(full.find_last_of('\\') + 1);
    return AttributesOf(target.unix_path, &found->attributes) == kErrorSuccess;
  }

  // Opened without blocking, so that a FIFO put in the file's place cannot stall the read.
  // The device NUL reads as an empty file; no other device is read.
  Long ReadWholeFile(const char* path, std::string* bytes) override {
    const Target target = TargetOf(path != nullptr ? path : "");
    if (EqualIgnoringCase(target.device, "NUL")) {
      bytes->clear();
      return kErrorSuccess;
    }
    if (target.error != kErrorSuccess || !target.device.empty()) return kErrorFileNotFound;
    const wine_registry::UniqueFd file(
        ::open(target.unix_path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!file) return errno == EACCES || errno == EPERM ? kErrorAccessDenied : kErrorFileNotFound;
    struct stat info;
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) return kErrorFileNotFound;
    if (info.st_size > 0x7FFFFFFF) return kErrorFileTooLarge;
    bytes->assign(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t done = 0;
    while (done < bytes->size()) {
      const ssize_t got = ::read(file.get(), bytes->data() + done, bytes->size() - done);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return kErrorReadFault;
      done += static_cast<std::size_t>(got);
    }
    return kErrorSuccess;
  }

 private:
  Long last_error_ = kErrorSuccess;
};

// Wine quotes an argument that is empty or holds a blank or tab, escaping inner quotes and the
// backslashes before them.
std::string QuoteArgument(const std::string& argument) {
  const bool quote = argument.empty() || argument.find_first_of(" \t") != std::string::npos;
  const bool escape = quote || argument.find('"') != std::string::npos;
  if (!escape) return argument;
  std::string result = quote ? "\"" : "";
  size_t backslashes = 0;
  for (char c : argument) {
    if (c == '"') result.append(backslashes + 1, '\\');
    backslashes = c == '\\' ? backslashes + 1 : 0;
    result += c;
  }
  if (quote) result.append(backslashes, '\\') += '"';
  return result;
}

}  // namespace

std::string ArgumentInAnsi(const char* argument) { return WideToAnsi(Utf8ToUtf16(argument)); }

FileSystem& DefaultFileSystem() {
  static WineFileSystem file_system;
  return file_system;
}

std::string GetCommandLineA() {
  std::ifstream file("/proc/self/cmdline", std::ios::binary);
  const std::string raw((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::vector<char> exe(4096);
  const ssize_t length = readlink("/proc/self/exe", exe.data(), exe.size() - 1);
  std::string line = QuoteArgument(
      UnixToWindowsPath(length > 0 ? std::string(exe.data(), length) : std::string("/")));
  size_t start = raw.find('\0');
  while (start != std::string::npos && start + 1 < raw.size()) {
    const size_t end = raw.find('\0', start + 1);
    line += " " + QuoteArgument(ArgumentInAnsi(raw.substr(start + 1, end - start - 1).c_str()));
    start = end;
  }
  return line;
}

}  // namespace platform
