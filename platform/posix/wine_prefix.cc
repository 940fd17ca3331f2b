#include "platform/posix/wine_prefix.h"

#include <dirent.h>
#include <limits.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/code_page.h"
#include "platform/utf8.h"

namespace platform {
namespace {

std::string ToUnixName(const std::string& ansi) { return Utf16ToUtf8(AnsiToWide(ansi)); }
std::string ToWindowsName(const std::string& utf8) { return WideToAnsi(Utf8ToUtf16(utf8)); }

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The entry of folder whose name equals name without regard to case, if any.
std::optional<std::string> FindCaseless(const std::string& folder, const std::string& name) {
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
  if (!dir) return std::nullopt;
  const std::string wanted = CharUpperBuffA(ToWindowsName(name));
  while (const dirent* entry = readdir(dir.get())) {
    if (CharUpperBuffA(ToWindowsName(entry->d_name)) == wanted) return std::string(entry->d_name);
  }
  return std::nullopt;
}

// The home folder that the password database gives the running user, as Wine takes it when HOME
// is unset; empty when it gives none.
std::string PasswordDatabaseHome() {
  constexpr std::size_t kLargestEntry = std::size_t{1} << 20;
  std::vector<char> buffer(1024);
  passwd entry;
  passwd* found = nullptr;
  int status;
  while ((status = getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found)) == ERANGE &&
         buffer.size() < kLargestEntry) {
    buffer.resize(buffer.size() * 2);
  }
  return status == 0 && found != nullptr && found->pw_dir != nullptr ? found->pw_dir : "";
}

}  // namespace

WinePrefixLocation LocateWinePrefix() {
  const char* prefix = std::getenv("WINEPREFIX");
  if (prefix != nullptr && *prefix != '\0') return {prefix, {}};
  const char* variable = std::getenv("HOME");
  const std::string home =
      variable != nullptr && *variable != '\0' ? variable : PasswordDatabaseHome();
  if (home.empty()) {
    return {{},
            "There is no Wine prefix to use: WINEPREFIX and HOME are unset or empty, and the "
            "password database gives user " +
                std::to_string(getuid()) + " no home folder. Set WINEPREFIX."};
  }
  if (home.front() != '/') {
    return {{},
            "There is no Wine prefix to use: WINEPREFIX is unset or empty, and the home folder " +
                home + " is not an absolute path. Set WINEPREFIX."};
  }
  return {home + (home.back() == '/' ? "" : "/") + ".wine", {}};
}

std::optional<std::string> DriveRoot(char letter) {
  const char lower = static_cast<char>(letter | 0x20);
  if (lower < 'a' || lower > 'z') return std::nullopt;
  const WinePrefixLocation prefix = LocateWinePrefix();
  if (!prefix.error.empty()) return lower == 'z' ? std::optional<std::string>("/") : std::nullopt;
  const std::string devices = prefix.path + "/dosdevices/";
  const std::string link = devices + lower + ":";
  char target[PATH_MAX];
  const ssize_t length = readlink(link.c_str(), target, sizeof(target) - 1);
  if (length > 0) {
    const std::string root(target, static_cast<size_t>(length));
    return root.front() == '/' ? root : devices + root;
  }
  struct stat info;
  if (lower == 'z' && lstat(link.c_str(), &info) != 0) return std::string("/");
  return std::nullopt;
}

std::string UnixToWindowsPath(const std::string& unix_path) {
  struct stat roots[26];
  bool present[26] = {};
  for (int i = 0; i < 26; ++i) {
    const auto root = DriveRoot(static_cast<char>('a' + i));
    present[i] = root && stat(root->c_str(), &roots[i]) == 0;
  }
  std::string head = unix_path;
  std::string tail;
  for (;;) {
    struct stat info;
    if (stat(head.empty() ? "/" : head.c_str(), &info) == 0) {
      for (int i = 0; i < 26; ++i) {
        if (present[i] && SameFile(info, roots[i])) {
          std::string result = std::string(1, static_cast<char>('A' + i)) + ":" + tail;
          for (char& c : result) c = c == '/' ? '\\' : c;
          if (tail.empty()) result += '\\';
          return ToWindowsName(result);
        }
      }
    }
    if (head.empty() || head == "/") break;
    const size_t slash = head.find_last_of('/');
    tail = head.substr(slash) + tail;
    head.erase(slash);
  }
  std::string result = "Z:" + unix_path;
  for (char& c : result) c = c == '/' ? '\\' : c;
  return ToWindowsName(result);
}

std::optional<std::string> WindowsToUnixPath(const std::string& windows_path) {
  if (windows_path.size() < 2 || windows_path[1] != ':') return std::nullopt;
  auto root = DriveRoot(windows_path[0]);
  if (!root) return std::nullopt;
  std::string path = *root;
  size_t start = 2;
  while (start < windows_path.size()) {
    size_t end = windows_path.find('\\', start);
    if (end == std::string::npos) end = windows_path.size();
    if (end > start) {
      const std::string name = ToUnixName(windows_path.substr(start, end - start));
      std::string candidate = path + (path.back() == '/' ? "" : "/") + name;
      struct stat info;
      if (lstat(candidate.c_str(), &info) != 0) {
        if (auto match = FindCaseless(path, name)) {
          candidate = path + (path.back() == '/' ? "" : "/") + *match;
        }
      }
      path = candidate;
    }
    start = end + 1;
  }
  return path;
}

}  // namespace platform
