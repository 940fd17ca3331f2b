// Windows paths over the Wine prefix's drives: full-path expansion as Windows does it, attributes
// and existence from the Unix file the path maps to, and the command line as Wine builds it.
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/code_page.h"
#include "platform/file_system.h"
#include "platform/posix/utf8.h"
#include "platform/posix/wine_prefix.h"

namespace platform {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool HasDrive(const std::string& path) {
  return path.size() >= 2 && path[1] == ':' && ((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z');
}

std::string CurrentFolder() {
  std::vector<char> buffer(4096);
  while (getcwd(buffer.data(), buffer.size()) == nullptr) buffer.resize(buffer.size() * 2);
  return UnixToWindowsPath(buffer.data());
}

// Joins the parts onto "X:\", resolving "." and ".." and folding repeated separators. A trailing
// separator of the input is kept.
std::string Normalize(const std::string& root, const std::string& rest) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= rest.size()) {
    size_t end = start;
    while (end < rest.size() && !IsSeparator(rest[end])) ++end;
    const std::string part = rest.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string result = root;
  for (size_t i = 0; i < parts.size(); ++i) result += (i > 0 ? "\\" : "") + parts[i];
  const bool trailing = !rest.empty() && IsSeparator(rest.back()) && !parts.empty();
  return trailing ? result + "\\" : result;
}

std::string FullPath(const std::string& name) {
  const std::string cwd = CurrentFolder();
  if (HasDrive(name)) {
    const std::string drive = CharUpperBuffA(name.substr(0, 2));
    const std::string rest = name.substr(2);
    if (!rest.empty() && IsSeparator(rest[0])) return Normalize(drive + "\\", rest);
    // Drive-relative: the current folder when it is on that drive, else the drive's root.
    if (CharUpperBuffA(cwd.substr(0, 2)) == drive)
      return Normalize(drive + "\\", cwd.substr(3) + "\\" + rest);
    return Normalize(drive + "\\", rest);
  }
  if (!name.empty() && IsSeparator(name[0])) return Normalize(cwd.substr(0, 2) + "\\", name);
  return Normalize(cwd.substr(0, 3), cwd.substr(3) + "\\" + name);
}

// As Wine reports them: folders, else archive files, read-only when no one may write.
Dword Attributes(const struct stat& info) {
  if (S_ISDIR(info.st_mode)) return kFileAttributeDirectory;
  constexpr Dword kArchive = 0x20, kReadOnly = 0x01;
  return (info.st_mode & 0222) == 0 ? kArchive | kReadOnly : kArchive;
}

bool HasInvalidCharacter(const std::string& path) {
  for (size_t i = 0; i < path.size(); ++i) {
    const auto c = static_cast<unsigned char>(path[i]);
    if (c < 32 || std::strchr("<>|\"*?", c) != nullptr) return true;
  }
  return false;
}

class WineFileSystem final : public FileSystem {
 public:
  Dword GetFullPathNameA(const char* name, Dword buffer_length, char* buffer) override {
    if (name == nullptr || *name == '\0') {
      last_error_ = kErrorInvalidName;
      return 0;
    }
    const std::string full = FullPath(name);
    if (full.size() + 1 > buffer_length) return static_cast<Dword>(full.size() + 1);
    std::memcpy(buffer, full.c_str(), full.size() + 1);
    return static_cast<Dword>(full.size());
  }

  Dword GetFileAttributesA(const char* path) override {
    struct stat info;
    const Long error = Stat(path, &info);
    if (error != kErrorSuccess) {
      last_error_ = error;
      return kInvalidFileAttributes;
    }
    return Attributes(info);
  }

  Dword GetLastError() override { return static_cast<Dword>(last_error_); }

  bool FindFirstFileA(const char* pattern, FindData* found) override {
    struct stat info;
    if (Stat(pattern, &info) != kErrorSuccess) return false;
    found->attributes = Attributes(info);
    const std::string name = pattern;
    found->name = name.substr(name.find_last_of("\\/:") + 1);
    return true;
  }

 private:
  Long Stat(const char* path, struct stat* info) {
    const std::string name = path != nullptr ? path : "";
    if (name.empty() || HasInvalidCharacter(name)) return kErrorInvalidName;
    const auto unix_path = WindowsToUnixPath(FullPath(name));
    if (!unix_path) return kErrorPathNotFound;
    if (stat(unix_path->c_str(), info) == 0) return kErrorSuccess;
    const std::string parent = unix_path->substr(0, unix_path->find_last_of('/') + 1);
    struct stat parent_info;
    return stat(parent.c_str(), &parent_info) == 0 ? kErrorFileNotFound : kErrorPathNotFound;
  }

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

std::string ToAnsi(const std::string& utf8) { return WideToAnsi(Utf8ToUtf16(utf8)); }

}  // namespace

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
    line += " " + QuoteArgument(ToAnsi(raw.substr(start + 1, end - start - 1)));
    start = end;
  }
  return line;
}

}  // namespace platform
