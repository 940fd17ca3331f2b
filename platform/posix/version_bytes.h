// Little-endian fields of untrusted bytes (an executable file, a resource). Every read is checked
// against the end of the bytes; a read past it throws MalformedBytes, which the parsers catch at
// their boundary and turn into "no version resource".
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>

namespace platform {

class MalformedBytes : public std::runtime_error {
 public:
  MalformedBytes() : std::runtime_error("malformed file") {}
};

class ByteView {
 public:
  explicit ByteView(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::size_t size() const { return bytes_.size(); }

  // The bytes [offset, offset + length); throws when any of them lies outside.
  std::span<const std::uint8_t> Slice(std::uint64_t offset, std::uint64_t length) const {
    if (offset > bytes_.size() || length > bytes_.size() - offset) throw MalformedBytes();
    return bytes_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
  }
  std::uint8_t U8(std::uint64_t offset) const { return Slice(offset, 1)[0]; }
  std::uint16_t U16(std::uint64_t offset) const {
    return static_cast<std::uint16_t>(Little(offset, 2));
  }
  std::uint32_t U32(std::uint64_t offset) const {
    return static_cast<std::uint32_t>(Little(offset, 4));
  }
  std::uint64_t U64(std::uint64_t offset) const { return Little(offset, 8); }

 private:
  std::uint64_t Little(std::uint64_t offset, std::uint64_t length) const {
    const auto field = Slice(offset, length);
    std::uint64_t value = 0;
    for (std::size_t i = field.size(); i-- > 0;) value = value << 8 | field[i];
    return value;
  }

  std::span<const std::uint8_t> bytes_;
};

}  // namespace platform
