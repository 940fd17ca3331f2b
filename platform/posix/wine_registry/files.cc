#include "platform/posix/wine_registry/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace platform::wine_registry {
namespace {

constexpr char kTemporaryInfix[] = ".regcorvex-";
constexpr std::size_t kTemporarySuffixLength = 6;  // mkostemp's XXXXXX

std::string Reason(int error) { return std::strerror(error); }

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

UniqueFd OpenFd(const std::string& path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return UniqueFd(fd);
}

// Writes the pieces one after the other, calling written() after each.
template <typename Written>
bool WriteAll(int fd, const std::vector<std::string_view>& pieces, const Written& written) {
  for (std::string_view piece : pieces) {
    while (!piece.empty()) {
      const ssize_t result = ::write(fd, piece.data(), piece.size());
      if (result < 0 && errno == EINTR) continue;
      if (result <= 0) {
        if (result == 0) errno = EIO;
        return false;
      }
      piece.remove_prefix(static_cast<std::size_t>(result));
    }
    written();
  }
  return true;
}

FileVersion VersionFromStat(const struct stat& info) {
  return {static_cast<unsigned long long>(info.st_dev),
          static_cast<unsigned long long>(info.st_ino),
          static_cast<unsigned long long>(info.st_size),
          static_cast<long long>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec, true};
}

// The file a hive path stands for: itself, or the end of the symbolic links it leads through.
// error says why it cannot be used (a link that leads nowhere, a file that is not a regular one).
struct HiveTarget {
  std::string path;
  bool exists = false;
  struct stat info {};
  std::string error;
};

HiveTarget ResolveHive(const std::string& path) {
  HiveTarget target;
  target.path = path;
  if (::lstat(path.c_str(), &target.info) != 0) {
    if (errno != ENOENT) target.error = "cannot be read: " + Reason(errno);
    return target;
  }
  if (S_ISLNK(target.info.st_mode)) {
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                               &std::free);
    if (!resolved) {
      char link[PATH_MAX];
      const ssize_t length = ::readlink(path.c_str(), link, sizeof(link) - 1);
      const std::string to(link, length > 0 ? static_cast<std::size_t>(length) : 0);
      target.error = errno == ENOENT || errno == ENOTDIR
                         ? "is a symbolic link to " + to + ", which does not exist"
                         : "is a symbolic link that cannot be followed: " + Reason(errno);
      return target;
    }
    target.path = resolved.get();
    if (::stat(target.path.c_str(), &target.info) != 0) {
      target.error = "cannot be read: " + Reason(errno);
      return target;
    }
  }
  target.exists = true;
  if (!S_ISREG(target.info.st_mode)) {
    target.error = std::string("is ") + FileKindName(target.info.st_mode) + ", not a regular file";
  }
  return target;
}

// Gives the file the owner and group of old, or else its group alone, where this process may;
// false when it keeps neither.
bool KeepOwner(int fd, const struct stat& old) {
  return ::fchown(fd, old.st_uid, old.st_gid) == 0 ||
         ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) == 0;
}

// A file made to take another's place, removed unless it has taken it: also when a step of the
// replacement throws.
struct TemporaryFile {
  explicit TemporaryFile(std::string made) : path(std::move(made)) {}
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() {
    if (!placed) ::unlink(path.c_str());
  }

  std::string path;
  bool placed = false;
};

// Whether name is one that ReplaceHiveFile gives its temporary files for the file named base.
bool IsTemporaryOf(const std::string& name, const std::string& base) {
  const std::string prefix = base + kTemporaryInfix;
  if (name.size() != prefix.size() + kTemporarySuffixLength || !name.starts_with(prefix)) {
    return false;
  }
  for (std::size_t i = prefix.size(); i < name.size(); ++i) {
    const char c = name[i];
    const bool alphanumeric =
        (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!alphanumeric) return false;
  }
  return true;
}

}  // namespace

const char* FileKindName(mode_t mode) {
  if (S_ISREG(mode)) return "a regular file";
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISLNK(mode)) return "a symbolic link";
  if (S_ISFIFO(mode)) return "a named pipe";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  return "a special file";
}

FileVersion VersionOf(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 ? VersionFromStat(info) : FileVersion{};
}

void FdTraits::Close(int fd) const { ::close(fd); }

Expected<HiveFile> ReadHiveFile(const std::string& path) {
  HiveFile result;
  const auto fail = [&](const std::string& why) {
    return Status(kErrorAccessDenied,
                  "The registry file " + path + " " + why + "; it is left as it is.");
  };
  const auto too_large = [&] {
    return fail("is larger than " + std::to_string(kMaxHiveFileSize >> 20) + " MiB");
  };
  const HiveTarget target = ResolveHive(path);
  if (!target.error.empty()) return fail(target.error);
  if (!target.exists) return result;
  // Not blocking, in case a FIFO took the file's place since it was looked at.
  const UniqueFd fd = OpenFd(target.path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  if (!fd && errno == ENOENT) return result;
  if (!fd) return fail("cannot be read: " + Reason(errno));
  struct stat info;
  if (::fstat(fd.get(), &info) != 0) return fail("cannot be read: " + Reason(errno));
  if (!S_ISREG(info.st_mode)) {
    return fail(std::string("is ") + FileKindName(info.st_mode) + ", not a regular file");
  }
  result.exists = true;
  result.version = VersionFromStat(info);
  if (static_cast<unsigned long long>(info.st_size) > kMaxHiveFileSize) return too_large();
  // Read straight into the text, with room for one byte more than the file had, so that its end
  // is found without growing the text; a file that grows meanwhile is read on in steps, up to one
  // byte past the largest size allowed.
  constexpr std::size_t kLimit = kMaxHiveFileSize + 1;
  constexpr std::size_t kGrowthStep = std::size_t{1} << 16;
  FileText& text = result.contents;
  std::size_t filled = 0;
  text.resize(std::min(kLimit, static_cast<std::size_t>(info.st_size) + 1));
  for (;;) {
    if (filled == text.size()) {
      if (filled == kLimit) break;
      text.resize(std::min(kLimit, filled + kGrowthStep));
    }
    const ssize_t count = ::read(fd.get(), text.data() + filled, text.size() - filled);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return fail("cannot be read: " + Reason(errno));
    if (count == 0) break;
    filled += static_cast<std::size_t>(count);
  }
  if (filled > kMaxHiveFileSize) return too_large();
  text.resize(filled);
  return result;
}

Status CheckHiveFileWritable(const std::string& path) {
  const HiveTarget target = ResolveHive(path);
  const auto fail = [&](const std::string& why) {
    return Status(kErrorAccessDenied,
                  "The registry file " + path + " cannot be written: " + why + ".");
  };
  if (!target.error.empty()) return fail("it " + target.error);
  const std::string folder = FolderOf(target.path);
  if (::access(folder.c_str(), W_OK | X_OK) != 0) {
    return fail("its folder " + folder + ": " + Reason(errno));
  }
  if (target.exists && ::access(target.path.c_str(), W_OK) != 0) return fail(Reason(errno));
  return {};
}

Status ReplaceHiveFile(const std::string& path, const std::vector<std::string_view>& pieces,
                       const std::function<void()>& step) {
  const auto fail = [&](const std::string& why) {
    return Status(kErrorWriteFault, "The registry file " + path + " could not be saved: " + why +
                                        ". It keeps its previous contents.");
  };
  const auto stepped = [&] {
    if (step) step();
    return true;
  };
  const HiveTarget target = ResolveHive(path);
  if (!target.error.empty()) return fail("it " + target.error);
  std::string name = target.path + kTemporaryInfix + std::string(kTemporarySuffixLength, 'X');
  const UniqueFd fd(::mkostemp(name.data(), O_CLOEXEC));
  if (!fd) return fail(Reason(errno));
  TemporaryFile temporary(std::move(name));
  stepped();
  // The owner and group first: a change of owner clears the set-id bits of the mode.
  if (target.exists && (target.info.st_uid != ::geteuid() || target.info.st_gid != ::getegid())) {
    KeepOwner(fd.get(), target.info);
  }
  const mode_t mode = target.exists ? (target.info.st_mode & 07777) : 0644;
  bool ok = ::fchmod(fd.get(), mode) == 0 && WriteAll(fd.get(), pieces, stepped) &&
            ::fsync(fd.get()) == 0 && stepped();
  int error = errno;
  if (ok && ::rename(temporary.path.c_str(), target.path.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok) return fail(Reason(error));
  temporary.placed = true;
  if (const UniqueFd directory = OpenFd(FolderOf(target.path), O_RDONLY | O_DIRECTORY)) {
    ::fsync(directory.get());
  }
  stepped();
  return {};
}

void RemoveStaleTemporaries(const std::string& path) {
  const HiveTarget target = ResolveHive(path);
  const std::string folder = FolderOf(target.path);
  const std::string base = NameOf(target.path);
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
  if (!dir) return;
  while (const dirent* entry = ::readdir(dir.get())) {
    if (!IsTemporaryOf(entry->d_name, base)) continue;
    const std::string stale = folder + "/" + entry->d_name;
    struct stat info;
    // Only the regular files this user's runs made: never another user's, never through a link.
    if (::lstat(stale.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid()) {
      ::unlink(stale.c_str());
    }
  }
}

}  // namespace platform::wine_registry
