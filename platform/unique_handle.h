// Move-only owner of one platform handle. Traits supply the handle type, its empty value and the
// close call; a handle is closed exactly once, by the owner that holds it last.
#pragma once

#include <utility>

namespace platform {

template <typename Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle, Traits traits = Traits()) noexcept
      : handle_(handle), traits_(std::move(traits)) {}
  UniqueHandle(UniqueHandle&& other) noexcept
      : handle_(std::exchange(other.handle_, Traits::kEmpty)), traits_(std::move(other.traits_)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = std::exchange(other.handle_, Traits::kEmpty);
      traits_ = std::move(other.traits_);
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  Handle get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != Traits::kEmpty; }

  void reset() noexcept {
    if (handle_ != Traits::kEmpty) traits_.Close(std::exchange(handle_, Traits::kEmpty));
  }
  Handle release() noexcept { return std::exchange(handle_, Traits::kEmpty); }

 private:
  Handle handle_ = Traits::kEmpty;
  Traits traits_{};
};

}  // namespace platform
