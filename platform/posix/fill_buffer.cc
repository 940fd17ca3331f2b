#include "platform/posix/fill_buffer.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <new>

// Older C library headers do not name it; a kernel that does not know it refuses the advice, and
// the pages then come as they are first touched.
#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif

#ifdef REGCORVEX_ADDRESS_SANITIZER
#include <sanitizer/asan_interface.h>
#else
#define ASAN_POISON_MEMORY_REGION(start, size) ((void)(start), (void)(size))
#define ASAN_UNPOISON_MEMORY_REGION(start, size) ((void)(start), (void)(size))
#endif

namespace platform {
namespace {

constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;

std::uintptr_t RoundUp(std::uintptr_t n, std::uintptr_t unit) {
  return (n + unit - 1) & ~(unit - 1);
}

// The one choice of pages, which allocation and freeing share: a buffer of a megabyte or more is
// mapped on its own, in whole large pages; a smaller one comes from the heap.
bool InLargePages(std::size_t bytes) { return bytes >= kLargePage / 2; }

void MakeResident(std::uintptr_t start, std::size_t size) {
  static const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  const std::uintptr_t first = RoundUp(start, page);
  const std::uintptr_t end = (start + size) & ~(page - 1);
  if (end > first) ::madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE);
}

}  // namespace

void* AllocateFillBuffer(std::size_t bytes) {
  if (!InLargePages(bytes)) {
    void* data = ::operator new(bytes);
    MakeResident(reinterpret_cast<std::uintptr_t>(data), bytes);
    return data;
  }
  if (bytes > SIZE_MAX - 2 * kLargePage) throw std::bad_alloc();
  // One large page more than needed, so that the buffer can start on a large-page boundary.
  const std::uintptr_t length = RoundUp(bytes, kLargePage);
  void* const mapped = ::mmap(nullptr, length + kLargePage, PROT_READ | PROT_WRITE,
                              MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) throw std::bad_alloc();
  const auto start = reinterpret_cast<std::uintptr_t>(mapped);
  const std::uintptr_t aligned = RoundUp(start, kLargePage);
  if (aligned > start) ::munmap(mapped, aligned - start);
  const std::uintptr_t excess = start + kLargePage - aligned;
  if (excess > 0) ::munmap(reinterpret_cast<void*>(aligned + length), excess);
  ::madvise(reinterpret_cast<void*>(aligned), length, MADV_HUGEPAGE);
  MakeResident(aligned, length);
  // What rounding added is no part of the buffer: AddressSanitizer reports a use of it.
  ASAN_POISON_MEMORY_REGION(reinterpret_cast<void*>(aligned + bytes), length - bytes);
  return reinterpret_cast<void*>(aligned);
}

void FreeFillBuffer(void* data, std::size_t bytes) noexcept {
  if (InLargePages(bytes)) {
    const std::uintptr_t length = RoundUp(bytes, kLargePage);
    // The addresses may be mapped again by anyone, whose memory must not look poisoned.
    ASAN_UNPOISON_MEMORY_REGION(static_cast<char*>(data) + bytes, length - bytes);
    ::munmap(data, length);
  } else {
    ::operator delete(data);
  }
}

}  // namespace platform
