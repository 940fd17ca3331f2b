// The Win32 version functions over the file itself: the version resource of a PE file (its
// resource directory) or of an ELF file (the section the native program carries), handed out in
// the block layout of the ANSI functions. Paths are Windows paths over the Wine prefix's drives.
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/posix/fill_buffer.h"
#include "platform/posix/version_block.h"
#include "platform/posix/wine_prefix.h"
#include "platform/version_api.h"

namespace platform {
namespace {

constexpr std::uintmax_t kLargestFile = std::uintmax_t{1} << 30;

using FileBytes = std::vector<std::uint8_t, FillBufferAllocator<std::uint8_t>>;

std::optional<std::string> FullPath(const char* path) {
  FileSystem& files = DefaultFileSystem();
  std::vector<char> buffer(260);
  for (;;) {
    const Dword length =
        files.GetFullPathNameA(path, static_cast<Dword>(buffer.size()), buffer.data());
    if (length == 0) return std::nullopt;
    if (length < buffer.size()) return std::string(buffer.data(), length);
    buffer.resize(length);
  }
}

// Reads the file's bytes into buffer; empty when it cannot be read, is no regular file or is
// implausibly large. The buffer is kept from call to call: a caller asks for the size of a file's
// version block and then for the block, and the second read of an executable then fills the
// memory the first one did, where fresh memory would cost as much again.
std::span<const std::uint8_t> ReadWholeFile(const char* path, FileBytes& buffer) {
  if (path == nullptr || *path == '\0') return {};
  const auto full = FullPath(path);
  const auto unix_path = full ? WindowsToUnixPath(*full) : std::nullopt;
  if (!unix_path) return {};
  std::error_code error;
  const auto size = std::filesystem::file_size(*unix_path, error);
  if (error || size > kLargestFile) return {};
  std::ifstream in(*unix_path, std::ios::binary);
  buffer.resize(static_cast<std::size_t>(size));
  if (!in.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(size))) {
    return {};
  }
  return buffer;
}

class FileVersionApi final : public VersionApi {
 public:
  Dword GetFileVersionInfoSizeA(const char* path, Dword* handle) override {
    if (handle != nullptr) *handle = 0;
    const std::lock_guard lock(mutex_);
    const auto resource = FindVersionResource(ReadWholeFile(path, buffer_));
    return resource ? VersionBlockSize(*resource) : 0;
  }

  bool GetFileVersionInfoA(const char* path, Dword, Dword size, void* data) override {
    if (data == nullptr) return false;
    const std::lock_guard lock(mutex_);
    const auto resource = FindVersionResource(ReadWholeFile(path, buffer_));
    if (!resource || size < VersionBlockSize(*resource)) return false;
    FillVersionBlock(*resource, {static_cast<std::uint8_t*>(data), size});
    return true;
  }

  bool VerQueryValueA(const void* block, const char* sub_block, void** buffer,
                      unsigned* length) override {
    // As on Windows, the ANSI copy of a string is written into the block's second half.
    return QueryVersionBlock(const_cast<void*>(block), sub_block, buffer, length);
  }

  std::string ExecutablePath() override {
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : UnixToWindowsPath(self.string());
  }

 private:
  std::mutex mutex_;
  FileBytes buffer_;  // of the file last read
};

}  // namespace

VersionApi& DefaultVersionApi() {
  static FileVersionApi api;
  return api;
}

}  // namespace platform
