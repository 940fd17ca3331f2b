// The Win32 version functions over the file itself: the version resource of a PE file (its
// resource directory) or of an ELF file (the section the native program carries), handed out in
// the block layout of the ANSI functions. Paths are Windows paths over the Wine prefix's drives.
#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/posix/fill_buffer.h"
#include "platform/posix/version_block.h"
#include "platform/posix/version_bytes.h"
#include "platform/posix/wine_prefix.h"
#include "platform/version_api.h"

namespace platform {
namespace {

constexpr std::uintmax_t kLargestFile = std::uintmax_t{1} << 30;

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

using FileBytes = std::vector<std::uint8_t, FillBufferAllocator<std::uint8_t>>;

// The version resource of the file at path, read into reads; nullopt when there is none or the
// file cannot be read, is no regular file or is implausibly large.
std::optional<std::span<const std::uint8_t>> ReadVersionResource(const char* path,
                                                                 std::deque<FileBytes>& reads) {
  if (path == nullptr || *path == '\0') return std::nullopt;
  const auto full = FullPath(path);
  const auto unix_path = full ? WindowsToUnixPath(*full) : std::nullopt;
  if (!unix_path) return std::nullopt;
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(*unix_path, error);
  if (error || size > kLargestFile) return std::nullopt;
  std::ifstream in(*unix_path, std::ios::binary);
  if (!in) return std::nullopt;
  const ReadBytesAt read = [&](std::uint64_t offset, std::uint64_t count) {
    if (offset > size || count > size - offset) throw MalformedBytes();
    FileBytes& bytes = reads.emplace_back(static_cast<std::size_t>(count));
    if (!in.seekg(static_cast<std::streamoff>(offset)) ||
        !in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(count))) {
      throw MalformedBytes();
    }
    return std::span<const std::uint8_t>(bytes);
  };
  return FindVersionResource(read, size);
}

class FileVersionApi final : public VersionApi {
 public:
  Dword GetFileVersionInfoSizeA(const char* path, Dword* handle) override {
    if (handle != nullptr) *handle = 0;
    std::deque<FileBytes> reads;
    const auto resource = ReadVersionResource(path, reads);
    return resource ? VersionBlockSize(*resource) : 0;
  }

  bool GetFileVersionInfoA(const char* path, Dword, Dword size, void* data) override {
    if (data == nullptr) return false;
    std::deque<FileBytes> reads;
    const auto resource = ReadVersionResource(path, reads);
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
};

}  // namespace

VersionApi& DefaultVersionApi() {
  static FileVersionApi api;
  return api;
}

}  // namespace platform
