#include "platform/posix/wine_registry_files.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

namespace platform::wine_registry {
namespace {

std::string Reason(int error) { return std::strerror(error); }

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

UniqueFd OpenFd(const std::string& path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return UniqueFd(fd);
}

bool WriteAll(int fd, const std::string& contents) {
  std::size_t written = 0;
  while (written < contents.size()) {
    const ssize_t result = ::write(fd, contents.data() + written, contents.size() - written);
    if (result < 0 && errno == EINTR) continue;
    if (result <= 0) {
      if (result == 0) errno = EIO;
      return false;
    }
    written += static_cast<std::size_t>(result);
  }
  return true;
}

bool LockHeld(const std::string& lock_path) {
  const UniqueFd fd = OpenFd(lock_path, O_RDONLY);
  if (!fd) return false;
  struct flock probe {};
  probe.l_type = F_WRLCK;
  probe.l_whence = SEEK_SET;
  probe.l_start = 0;
  probe.l_len = 1;
  return ::fcntl(fd.get(), F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
}

FileVersion VersionFromStat(const struct stat& info) {
  return {static_cast<unsigned long long>(info.st_dev),
          static_cast<unsigned long long>(info.st_ino),
          static_cast<unsigned long long>(info.st_size),
          static_cast<long long>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec, true};
}

}  // namespace

FileVersion VersionOf(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 ? VersionFromStat(info) : FileVersion{};
}

void FdTraits::Close(int fd) const { ::close(fd); }

LockResult LockPrefix(const std::string& prefix, int timeout_seconds) {
  std::error_code error;
  std::filesystem::create_directories(prefix, error);
  if (error) {
    return {{},
            "The Wine prefix folder " + prefix + " cannot be created: " + error.message() + "."};
  }
  UniqueFd folder = OpenFd(prefix, O_RDONLY | O_DIRECTORY);
  if (!folder)
    return {{}, "The Wine prefix folder " + prefix + " cannot be opened: " + Reason(errno) + "."};
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_seconds);
  while (::flock(folder.get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK && errno != EINTR) {
      return {{}, "The Wine prefix folder " + prefix + " cannot be locked: " + Reason(errno) + "."};
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      return {{},
              "Another program has kept the registry of the Wine prefix " + prefix +
                  " locked for too long; try again when it has ended."};
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return {std::move(folder), {}};
}

bool WineServerRunning(const std::string& prefix) {
  struct stat info;
  if (::stat(prefix.c_str(), &info) != 0) return false;
  char server[64];
  std::snprintf(server, sizeof(server), "/server-%llx-%llx/lock",
                static_cast<unsigned long long>(info.st_dev),
                static_cast<unsigned long long>(info.st_ino));
  // Wine 8 names its folder in the prefix's "wineserver" file; older versions used a fixed one.
  if (LockHeld("/tmp/.wine-" + std::to_string(::getuid()) + server)) return true;
  const ReadResult name = ReadHiveFile(prefix + "/wineserver");
  if (!name.exists || name.contents.empty() || name.contents.find('/') != std::string::npos) {
    return false;
  }
  std::string folder = name.contents;
  while (!folder.empty() && (folder.back() == '\n' || folder.back() == '\0')) folder.pop_back();
  return !folder.empty() && LockHeld("/tmp/" + folder + server);
}

ReadResult ReadHiveFile(const std::string& path) {
  ReadResult result;
  const UniqueFd fd = OpenFd(path, O_RDONLY);
  if (!fd) {
    if (errno != ENOENT)
      result.error = "The registry file " + path + " cannot be read: " + Reason(errno) + ".";
    return result;
  }
  result.exists = true;
  struct stat info;
  if (::fstat(fd.get(), &info) == 0) {
    result.version = VersionFromStat(info);
    result.contents.reserve(static_cast<std::size_t>(info.st_size));
  }
  char buffer[1 << 16];
  for (;;) {
    const ssize_t count = ::read(fd.get(), buffer, sizeof(buffer));
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) {
      result.error = "The registry file " + path + " cannot be read: " + Reason(errno) + ".";
      return result;
    }
    if (count == 0) return result;
    result.contents.append(buffer, static_cast<std::size_t>(count));
  }
}

bool CanWriteHiveFile(const std::string& path) {
  if (::access(FolderOf(path).c_str(), W_OK | X_OK) != 0) return false;
  return ::access(path.c_str(), W_OK) == 0 || errno == ENOENT;
}

std::string ReplaceHiveFile(const std::string& path, const std::string& contents) {
  const std::string folder = FolderOf(path);
  std::string temporary = path + ".regcorvex-XXXXXX";
  const UniqueFd fd(::mkostemp(temporary.data(), O_CLOEXEC));
  if (!fd) {
    return "The registry file " + path + " could not be saved: " + Reason(errno) +
           ". It keeps its previous contents.";
  }
  struct stat old_info;
  const mode_t mode = ::stat(path.c_str(), &old_info) == 0 ? (old_info.st_mode & 07777) : 0644;
  bool ok = ::fchmod(fd.get(), mode) == 0 && WriteAll(fd.get(), contents) && ::fsync(fd.get()) == 0;
  int error = errno;
  if (ok && ::rename(temporary.c_str(), path.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    ::unlink(temporary.c_str());
    return "The registry file " + path + " could not be saved: " + Reason(error) +
           ". It keeps its previous contents.";
  }
  if (const UniqueFd directory = OpenFd(folder, O_RDONLY | O_DIRECTORY)) ::fsync(directory.get());
  return {};
}

}  // namespace platform::wine_registry
