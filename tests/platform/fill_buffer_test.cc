// The memory hive texts and their indexes are read into: every byte of it writable, text that
// grows past a megabyte kept as it was, and the large buffers on 2 MiB boundaries, where the
// system can back them with large pages.
#include "platform/posix/fill_buffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string_view>

#ifdef REGCORVEX_ADDRESS_SANITIZER
#include <sanitizer/asan_interface.h>
#endif

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

// A large buffer is rounded up to whole large pages; under AddressSanitizer a read past its end
// into them is reported as one past a heap buffer would be, and once freed nothing of it stays
// poisoned for whoever maps those addresses next.
TEST(FillBufferTest, AddressSanitizerSeesPastTheEndOfALargeBuffer) {
#ifdef REGCORVEX_ADDRESS_SANITIZER
  const std::size_t bytes = 3 * kMiB + 123;
  char* const data = static_cast<char*>(AllocateFillBuffer(bytes));
  EXPECT_FALSE(__asan_address_is_poisoned(data));
  EXPECT_FALSE(__asan_address_is_poisoned(data + bytes - 1));
  EXPECT_TRUE(__asan_address_is_poisoned(data + bytes));
  EXPECT_TRUE(__asan_address_is_poisoned(data + 4 * kMiB - 1));
  FreeFillBuffer(data, bytes);
  EXPECT_FALSE(__asan_address_is_poisoned(data + bytes));
#else
  GTEST_SKIP() << "built without AddressSanitizer";
#endif
}

}  // namespace
}  // namespace platform
