// The memory hive texts and their indexes are read into: every byte of it writable, text that
// grows past a megabyte kept as it was, and the large buffers on 2 MiB boundaries, where the
// system can back them with large pages.
#include "platform/posix/fill_buffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string_view>

namespace platform {
namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;

TEST(FillBufferTest, EveryByteIsWritableAndLargeBuffersStartOnALargePage) {
  const struct {
    const char* label;
    std::size_t bytes;
    bool on_large_page;
  } cases[] = {
      {"one byte", 1, false},
      {"a page and a byte", 4097, false},
      {"just under a megabyte", kMiB - 1, false},
      {"a megabyte", kMiB, true},
      {"a hive's size", 3 * kMiB + 123, true},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.label);
    void* const data = AllocateFillBuffer(row.bytes);
    ASSERT_NE(data, nullptr);
    std::memset(data, 0xA5, row.bytes);
    EXPECT_EQ(static_cast<unsigned char*>(data)[row.bytes - 1], 0xA5);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(data) % (2 * kMiB) == 0, row.on_large_page);
    FreeFillBuffer(data, row.bytes);
  }
}

TEST(FillBufferTest, TextGrowingPastAMegabyteKeepsWhatItHeld) {
  const std::string_view start = "WINE REGISTRY Version 2\n";
  FileText text(start);
  text.resize(3 * kMiB, 'x');
  EXPECT_EQ(std::string_view(text).substr(0, start.size()), start);
  EXPECT_EQ(text.back(), 'x');
  text.resize(10);
  text.shrink_to_fit();
  EXPECT_EQ(std::string_view(text), start.substr(0, 10));
}

TEST(FillBufferTest, ASizeNoMemoryHoldsIsRefused) {
  EXPECT_THROW(AllocateFillBuffer(SIZE_MAX - kMiB), std::bad_alloc);
  EXPECT_THROW(FillBufferAllocator<std::uint64_t>().allocate(SIZE_MAX / 4), std::bad_alloc);
}

}  // namespace
}  // namespace platform
