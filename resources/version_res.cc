// A .res file is a sequence of entries, each on a 4-byte boundary: DataSize, HeaderSize, the type
// and the name (0xFFFF and a number, or a UTF-16 string), then the rest of the header and, at
// HeaderSize, the data.
#include "resources/version_res.h"

#include "platform/posix/version_bytes.h"

namespace regcorvex {
namespace {

constexpr std::uint16_t kOrdinal = 0xFFFF;
constexpr std::uint16_t kVersionType = 16;
constexpr std::uint16_t kVersionName = 1;

bool IsOrdinal(const platform::ByteView& res, std::uint64_t at, std::uint16_t id) {
  return res.U16(at) == kOrdinal && res.U16(at + 2) == id;
}

}  // namespace

std::optional<std::span<const std::uint8_t>> ExtractVersionResource(
    std::span<const std::uint8_t> res) {
  const platform::ByteView bytes(res);
  try {
    for (std::uint64_t entry = 0; entry < bytes.size();) {
      const std::uint32_t data_size = bytes.U32(entry);
      const std::uint32_t header_size = bytes.U32(entry + 4);
      if (header_size < 8) return std::nullopt;
      if (IsOrdinal(bytes, entry + 8, kVersionType) && IsOrdinal(bytes, entry + 12, kVersionName)) {
        return bytes.Slice(entry + header_size, data_size);
      }
      entry = (entry + header_size + data_size + 3) & ~std::uint64_t{3};
    }
  } catch (const platform::MalformedBytes&) {
  }
  return std::nullopt;
}

}  // namespace regcorvex
