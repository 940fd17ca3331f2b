// The text form of a registry hive as Wine 8 reads and writes it (user.reg, system.reg):
// a header, then one "[key] stamp" section per key with its "#time=" line and its values.
// Formatting a parsed hive gives back what Wine would write for it, byte for byte.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/wine_registry/tree.h"

namespace platform::wine_registry {

// How FormatHive writes a key that LoadHive (read.h) read and nothing changed since: formatted like
// any other, or as the text it was read from. A file Wine wrote gives the same bytes either way.
enum class KeyText { kFormat, kCopy };

// A hive's text as a save writes it: spans of the text the hive was read from, which stay valid
// while its keys do, between texts formatted anew. Spans that follow each other in the old text
// are one span, so a long stretch of untouched keys is written without being copied.
class HiveText {
 public:
  // Where formatted text goes: it comes after everything added so far.
  std::string& formatted() { return formatted_; }
  void Copy(std::string_view span);
  std::vector<std::string_view> Pieces() const;
  std::string Join() const;

 private:
  struct Span {
    std::size_t after;  // how much formatted text comes before it
    std::string_view text;
  };
  std::string formatted_;
  std::vector<Span> spans_;
};

HiveText WriteHive(const Hive& hive, KeyText untouched = KeyText::kFormat);
std::string FormatHive(const Hive& hive, KeyText untouched = KeyText::kFormat);

}  // namespace platform::wine_registry
