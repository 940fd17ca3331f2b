// How a failure travels in the hive registry: every operation that can fail returns a Status, or
// an Expected that holds either its result or the Status of its failure. A failure carries the
// Win32 code that the registry's calls return for it and a sentence for the user that names the
// file or folder and the reason. Only the hive reader throws (FormatError, format.h), and the
// registry turns that into a Status where it loads a hive.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "platform/win_types.h"

namespace platform::wine_registry {

class Status {
 public:
  // Success.
  Status() = default;
  Status(Long code, std::string message) : code_(code), message_(std::move(message)) {}

  bool ok() const { return code_ == kErrorSuccess; }
  Long code() const { return code_; }
  // Empty on success.
  const std::string& message() const { return message_; }

 private:
  Long code_ = kErrorSuccess;
  std::string message_;
};

// A result, or the failure that stands in its place.
template <typename T>
class Expected {
 public:
  Expected(T value) : value_(std::move(value)) {}            // NOLINT: a result converts
  Expected(Status failure) : status_(std::move(failure)) {}  // NOLINT: so does a failure
  bool ok() const { return value_.has_value(); }
  const Status& status() const { return status_; }
  T& operator*() { return *value_; }
  const T& operator*() const { return *value_; }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }

 private:
  std::optional<T> value_;
  Status status_;
};

}  // namespace platform::wine_registry
