// Finds a named section of a little-endian ELF file (32- or 64-bit). Untrusted input: a truncated
// or lying file yields nullopt, never a read outside the bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>

namespace platform {

// Gives the bytes [offset, offset + size) of a file, valid as long as the reader is; throws
// MalformedBytes when they do not all lie in the file.
using ReadBytesAt =
    std::function<std::span<const std::uint8_t>(std::uint64_t offset, std::uint64_t size)>;

// Where a section's contents lie in its file.
struct FileRange {
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
};

// Where the first section called name lies, found by reading the file header, the section header
// table and the section names and nothing else; nullopt when there is none or it holds no bytes
// in the file.
std::optional<FileRange> LocateElfSection(const ReadBytesAt& read, std::string_view name);

// The contents of the first section called name in the bytes of a whole file.
std::optional<std::span<const std::uint8_t>> FindElfSection(std::span<const std::uint8_t> file,
                                                            std::string_view name);

// A reader over the bytes of a whole file.
ReadBytesAt ReadFromMemory(std::span<const std::uint8_t> file);

}  // namespace platform
