// The failure of a preference-store operation. Its message is the text the store reports in its
// message box, letter for letter.
#pragma once

#include <stdexcept>
#include <string>

namespace regcorvex {

class PrefError : public std::runtime_error {
 public:
  explicit PrefError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace regcorvex
