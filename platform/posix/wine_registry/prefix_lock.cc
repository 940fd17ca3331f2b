#include "platform/posix/wine_registry/prefix_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>

namespace platform::wine_registry {
namespace {

std::string Reason(int error) { return std::strerror(error); }

UniqueFd OpenFd(const std::string& path, int flags) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  } while (fd < 0 && errno == EINTR);
  return UniqueFd(fd);
}

Status PrefixError(const std::string& prefix, const std::string& what) {
  return Status(kErrorLockViolation, "The Wine prefix folder " + prefix + " " + what);
}

Status Refused(std::string why) { return Status(kErrorLockViolation, std::move(why)); }

// Wine's own rule for its server folders: a real folder of the user's, closed to everybody else.
// Empty when the folder is missing or passes.
std::string ServerFolderRefusal(const std::string& folder) {
  struct stat info;
  if (::lstat(folder.c_str(), &info) != 0) return {};
  if (!S_ISDIR(info.st_mode)) {
    return "The wineserver folder " + folder + " is " + FileKindName(info.st_mode) +
           ", not a folder; Wine refuses it, and so does this program.";
  }
  if (info.st_uid != ::getuid()) {
    return "The wineserver folder " + folder +
           " is not owned by you; Wine refuses it, and so does this program.";
  }
  if ((info.st_mode & 077) != 0) {
    char mode[8];
    std::snprintf(mode, sizeof(mode), "%04o", static_cast<unsigned>(info.st_mode & 07777));
    return "The wineserver folder " + folder + " is open to other users (mode " + mode +
           "); Wine refuses it, and so does this program.";
  }
  return {};
}

// The server lock of one server folder: whether a process holds it, or why it was refused.
Expected<bool> ProbeLock(const std::string& base, const std::string& server) {
  for (const std::string& folder : {base, base + server}) {
    if (std::string refusal = ServerFolderRefusal(folder); !refusal.empty()) {
      return Refused(std::move(refusal));
    }
  }
  const std::string lock_path = base + server + "/lock";
  struct stat info;
  if (::lstat(lock_path.c_str(), &info) != 0) return false;
  if (!S_ISREG(info.st_mode)) {
    return Refused("The wineserver lock " + lock_path + " is " + FileKindName(info.st_mode) +
                   ", not a regular file; Wine refuses it, and so does this program.");
  }
  const UniqueFd fd = OpenFd(lock_path, O_RDONLY | O_NOFOLLOW);
  if (!fd) return false;
  struct flock probe {};
  probe.l_type = F_WRLCK;
  probe.l_whence = SEEK_SET;
  probe.l_start = 0;
  probe.l_len = 1;
  return ::fcntl(fd.get(), F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
}

// The server folder's name that Wine 8 writes in the prefix's "wineserver" file, if any.
std::string ServerFolderName(const std::string& prefix) {
  const UniqueFd fd = OpenFd(prefix + "/wineserver", O_RDONLY | O_NOFOLLOW);
  struct stat info;
  if (!fd || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return {};
  char buffer[256];
  const ssize_t count = ::read(fd.get(), buffer, sizeof(buffer));
  if (count <= 0) return {};
  std::string name(buffer, static_cast<std::size_t>(count));
  while (!name.empty() && (name.back() == '\n' || name.back() == '\0')) name.pop_back();
  const bool plain = !name.empty() && name != "." && name != ".." &&
                     name.find_first_of(std::string("/\n\0", 3)) == std::string::npos;
  return plain ? name : std::string();
}

}  // namespace

Expected<UniqueFd> LockPrefix(const std::string& prefix, bool create,
                              std::chrono::steady_clock::time_point deadline,
                              const std::function<void()>& waiting) {
  struct stat info;
  if (::stat(prefix.c_str(), &info) != 0) {
    if (errno != ENOENT || !create)
      return PrefixError(prefix, "cannot be used: " + Reason(errno) + ".");
    std::error_code error;
    std::filesystem::create_directories(prefix, error);
    if (error) return PrefixError(prefix, "cannot be created: " + error.message() + ".");
    if (::stat(prefix.c_str(), &info) != 0) {
      return PrefixError(prefix, "cannot be used: " + Reason(errno) + ".");
    }
  }
  if (!S_ISDIR(info.st_mode)) {
    return PrefixError(prefix, std::string("is ") + FileKindName(info.st_mode) +
                                   ", not a folder; it is left as it is.");
  }
  if (info.st_uid != ::getuid()) {
    return PrefixError(prefix,
                       "is not owned by you; Wine refuses it, and so does this "
                       "program. Run it as the owner of the prefix.");
  }
  UniqueFd folder = OpenFd(prefix, O_RDONLY | O_DIRECTORY);
  if (!folder) return PrefixError(prefix, "cannot be opened: " + Reason(errno) + ".");
  while (::flock(folder.get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK && errno != EINTR) {
      return PrefixError(prefix, "cannot be locked: " + Reason(errno) + ".");
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      return Refused("Another program has kept the registry of the Wine prefix " + prefix +
                     " locked for too long; try again when it has ended.");
    }
    if (waiting) waiting();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return folder;
}

Expected<bool> ProbeWineServer(const std::string& prefix, const std::string& tmp) {
  struct stat info;
  if (::stat(prefix.c_str(), &info) != 0) return false;
  char server[64];
  std::snprintf(server, sizeof(server), "/server-%llx-%llx",
                static_cast<unsigned long long>(info.st_dev),
                static_cast<unsigned long long>(info.st_ino));
  // Wine 8 names its folder in the prefix's "wineserver" file; older versions used a fixed one.
  Expected<bool> probe = ProbeLock(tmp + "/.wine-" + std::to_string(::getuid()), server);
  if (!probe.ok() || *probe) return probe;
  const std::string name = ServerFolderName(prefix);
  return name.empty() ? Expected<bool>(false) : ProbeLock(tmp + "/" + name, server);
}

}  // namespace platform::wine_registry
