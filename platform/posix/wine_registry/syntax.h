// The line syntax of a hive file as Wine 8 writes and reads it: the header, "[path] stamp" lines,
// option lines and value lines with their escaped strings. What the readers and the writer of
// format.h share.
#pragma once

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/wine_registry/read.h"
#include "platform/posix/wine_registry/tree.h"

namespace platform::wine_registry {

inline constexpr std::string_view kSignature = "WINE REGISTRY Version 2";
inline constexpr std::string_view kRelativeTo = ";; All keys relative to ";

// The text without the spaces Wine skips at either end of a line.
std::string_view TrimLeft(std::string_view text);
std::string_view TrimRight(std::string_view text);

// Hands out the file's lines and raises errors that name the current one.
class LineReader {
 public:
  // Reads text from position on; number is the number of the line before it.
  explicit LineReader(std::string_view text, std::size_t position = 0, int number = 0)
      : text_(text), position_(position), number_(number) {}

  std::optional<std::string_view> Next() {
    if (position_ >= text_.size()) return std::nullopt;
    std::size_t end = text_.find('\n', position_);
    if (end == std::string_view::npos) end = text_.size();
    const std::string_view line = text_.substr(position_, end - position_);
    position_ = end + 1;
    ++number_;
    return line;
  }

  // Where the next line starts: the end of the lines read so far.
  std::size_t position() const { return std::min(position_, text_.size()); }

  int number() const { return number_; }

  [[noreturn]] void Fail(const std::string& what) const {
    throw FormatError("line " + std::to_string(number_) + ": " + what);
  }

 private:
  std::string_view text_;
  std::size_t position_ = 0;
  int number_ = 0;
};

// Stands in for the text or bytes a parse would build, where only whether the line is sound
// matters.
struct Discard {
  template <typename T>
  void push_back(T) {}
};

// A value line read only to check it.
struct CheckedValue {
  Discard name;
  Dword type = kRegNone;
  Discard data;
};

// Reads a value line (and its continuation lines) into value: a Value, or a CheckedValue to check
// the line alone.
template <typename Out>
void ParseValue(Out& value, std::string_view text, LineReader& lines);

// A "[path] stamp" line: its path, the spans of the path's names, how many leading names it
// spells as the line before it does, and its stamp.
struct KeyLine {
  struct Name {
    std::size_t start = 0;
    std::size_t size = 0;
  };
  std::u16string path;
  std::vector<Name> names;
  std::size_t shared = 0;
  FileTime stamp = 0;

  std::u16string_view name(std::size_t i) const {
    return std::u16string_view(path).substr(names[i].start, names[i].size);
  }
};

// Reads "[path] stamp" into line, all but line.shared.
void ParseKeyLine(std::string_view text, LineReader& lines, KeyLine& line);

// How many leading names the two lines spell alike.
std::size_t SharedNames(const KeyLine& a, const KeyLine& b);

// Reads an option line ("#time=", "#class=", "#link") into the key.
void ParseKeyOption(Key& key, std::string_view text, LineReader& lines);

}  // namespace platform::wine_registry
