// Memory for buffers that are filled as soon as they are made: a hive file's text, the index of
// its sections, the bytes of an executable.
// On a virtual machine whose host shadows the guest's page tables, the first touch of each 4 KiB
// page costs microseconds, and it is paid again when the kernel first copies into or out of the
// page: reading a 3 MB hive into fresh memory and writing it out again then costs ten times the
// copying. Buffers of a megabyte or more therefore come in 2 MiB pages where the system gives
// them, and smaller ones are made resident in one step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <string>

// Defined where AddressSanitizer watches this build: a large buffer then has the rounding beyond
// its end poisoned, so that a use past the end is reported as one past a heap buffer would be.
#if defined(__SANITIZE_ADDRESS__)
#define REGCORVEX_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define REGCORVEX_ADDRESS_SANITIZER 1
#endif
#endif

namespace platform {

// Memory for at least bytes bytes, resident and writable; throws std::bad_alloc when there is
// none. Best effort as to the pages: where the system cannot give large ones or make them
// resident at once, they come as they are first touched.
void* AllocateFillBuffer(std::size_t bytes);
// Frees what AllocateFillBuffer gave for the same number of bytes.
void FreeFillBuffer(void* data, std::size_t bytes) noexcept;

template <typename T>
struct FillBufferAllocator {
  using value_type = T;

  FillBufferAllocator() = default;
  template <typename U>
  FillBufferAllocator(const FillBufferAllocator<U>&) {}  // NOLINT: converts as allocators do

  T* allocate(std::size_t n) {
    if (n > SIZE_MAX / sizeof(T)) throw std::bad_array_new_length();
    return static_cast<T*>(AllocateFillBuffer(n * sizeof(T)));
  }
  void deallocate(T* data, std::size_t n) noexcept { FreeFillBuffer(data, n * sizeof(T)); }

  template <typename U>
  bool operator==(const FillBufferAllocator<U>&) const {
    return true;
  }
};

// Text read whole from a file.
using FileText = std::basic_string<char, std::char_traits<char>, FillBufferAllocator<char>>;

}  // namespace platform
