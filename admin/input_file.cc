#include "admin/input_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

namespace regcorvex {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

std::string KindOf(std::filesystem::file_type type) {
  switch (type) {
    case std::filesystem::file_type::directory:
      return "a folder";
    case std::filesystem::file_type::fifo:
      return "a named pipe";
    case std::filesystem::file_type::socket:
      return "a socket";
    case std::filesystem::file_type::character:
    case std::filesystem::file_type::block:
      return "a device";
    default:
      return "a special file";
  }
}

std::string Megabytes(std::size_t bytes) { return std::to_string(bytes >> 20) + " MiB"; }

}  // namespace

InputFile ReadInputFile(const std::string& path, std::size_t limit) {
  InputFile file;
  const auto fail = [&](const std::string& why) {
    file.bytes.clear();
    file.error = "cannot read " + path + ": " + why;
    return file;
  };
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  if (error) return fail(error.message());
  if (status.type() != std::filesystem::file_type::regular) {
    return fail("it is " + KindOf(status.type()) + ", not a regular file");
  }
  const UniqueFile in(std::fopen(path.c_str(), "rb"));
  if (!in) return fail(std::strerror(errno));
  // At most the limit, so the size fits a size_t on a 32-bit system too.
  const auto expected = std::min<std::uintmax_t>(std::filesystem::file_size(path, error), limit);
  file.bytes.reserve(static_cast<std::size_t>(expected) + 1);
  // Read in steps up to one byte past the limit, so that a file that grows meanwhile is caught.
  constexpr std::size_t kStep = std::size_t{1} << 16;
  for (;;) {
    const std::size_t filled = file.bytes.size();
    if (filled > limit) return fail("it is larger than " + Megabytes(limit));
    file.bytes.resize(filled + kStep);
    const std::size_t count = std::fread(file.bytes.data() + filled, 1, kStep, in.get());
    file.bytes.resize(filled + count);
    if (count == kStep) continue;
    if (std::ferror(in.get())) return fail(std::strerror(errno));
    break;
  }
  if (file.bytes.size() > limit) return fail("it is larger than " + Megabytes(limit));
  return file;
}

std::string WriteOutputFile(const std::string& path, const std::string& contents) {
  errno = 0;
  UniqueFile out(std::fopen(path.c_str(), "wb"));
  if (!out) return "cannot write " + path + ": " + std::strerror(errno);
  const bool written =
      std::fwrite(contents.data(), 1, contents.size(), out.get()) == contents.size();
  const int write_error = errno;
  const bool closed = std::fclose(out.release()) == 0;
  if (written && closed) return {};
  return "cannot write " + path + ": " + std::strerror(written ? errno : write_error);
}

}  // namespace regcorvex
