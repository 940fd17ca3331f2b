#include "platform/posix/xml_markup_cost.h"

#include <cstring>
#include <vector>

namespace platform {
namespace {

// The characters of a text as code units of one width and byte order; the scan needs only to
// tell the ASCII characters of markup apart, so a unit is never decoded further.
template <int kWidth, bool kBigEndian>
class Units {
 public:
  Units(std::string_view bytes, std::size_t skip)
      : bytes_(bytes.substr(skip)), size_(bytes_.size() / kWidth) {}
  std::size_t size() const { return size_; }
  char32_t operator[](std::size_t i) const {
    char32_t unit = 0;
    for (int k = 0; k < kWidth; ++k) {
      const auto byte = static_cast<unsigned char>(bytes_[i * kWidth + k]);
      unit |= static_cast<char32_t>(byte) << (8 * (kBigEndian ? kWidth - 1 - k : k));
    }
    return unit;
  }
  // The index of the first unit c from i on, or size(): a document is mostly text, which a scan
  // of single bytes passes over at memchr's speed.
  std::size_t Find(std::size_t i, char32_t c) const {
    if constexpr (kWidth == 1) {
      if (i >= size_) return size_;  // an empty view may have no data at all
      const void* found = std::memchr(bytes_.data() + i, static_cast<int>(c), size_ - i);
      return found != nullptr
                 ? static_cast<std::size_t>(static_cast<const char*>(found) - bytes_.data())
                 : size_;
    } else {
      while (i < size_ && (*this)[i] != c) ++i;
      return i;
    }
  }

 private:
  std::string_view bytes_;
  std::size_t size_;
};

bool IsSpace(char32_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Where a name ends: what may follow a name in a tag or a declaration.
bool EndsName(char32_t c) {
  return IsSpace(c) || c == '/' || c == '>' || c == '=' || c == '"' || c == '\'' || c == '<';
}

template <typename Text>
class Scanner {
 public:
  // Attribute-list declarations the text makes go into declared, which may be defaults itself.
  Scanner(const Text& text, const AttributeDefaults& defaults, AttributeDefaults* declared,
          std::size_t limit)
      : text_(text), defaults_(defaults), declared_(declared), limit_(limit) {}

  // The steps of the whole text, or up to the first tag past the limit (its index in over_at).
  std::size_t Run(bool document) {
    for (std::size_t i = text_.Find(0, '<'); i < text_.size(); i = text_.Find(i, '<')) {
      if (At(i, "<!--")) {
        i = SkipPast(i + 4, "-->");
      } else if (At(i, "<![CDATA[")) {
        i = SkipPast(i + 9, "]]>");
      } else if (At(i, "<?")) {
        i = SkipPast(i + 2, "?>");
      } else if (document && At(i, "<!DOCTYPE")) {
        i = Doctype(i + 9);
      } else if (At(i, "</")) {
        i = EndTag(i + 2);
      } else if (At(i, "<!")) {
        i = SkipDeclaration(i + 2);
      } else {
        const std::size_t tag = i;
        i = StartTag(i + 1);
        if (steps_ > limit_) {
          over_at_ = tag;
          break;
        }
      }
    }
    return steps_;
  }

  // The line (from 1) of the tag past the limit; 0 when none went past it.
  int OverAtLine() const {
    if (over_at_ == kNone) return 0;
    int line = 1;
    for (std::size_t i = 0; i < over_at_; ++i) line += text_[i] == '\n' ? 1 : 0;
    return line;
  }

 private:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  bool At(std::size_t i, std::string_view ascii) const {
    if (text_.size() - i < ascii.size()) return false;
    for (std::size_t k = 0; k < ascii.size(); ++k) {
      if (text_[i + k] != static_cast<char32_t>(ascii[k])) return false;
    }
    return true;
  }

  std::size_t SkipPast(std::size_t i, std::string_view end) const {
    for (i = text_.Find(i, static_cast<char32_t>(end[0])); i < text_.size() && !At(i, end);)
      i = text_.Find(i + 1, static_cast<char32_t>(end[0]));
    return i < text_.size() ? i + end.size() : i;
  }

  std::size_t SkipSpaces(std::size_t i) const {
    while (i < text_.size() && IsSpace(text_[i])) ++i;
    return i;
  }

  // i is at a quote; returns the index after the closing one.
  std::size_t SkipQuoted(std::size_t i) const {
    i = text_.Find(i + 1, text_[i]);
    return i < text_.size() ? i + 1 : i;
  }

  std::size_t ReadName(std::size_t i, std::u32string* name) const {
    const std::size_t start = i;
    while (i < text_.size() && !EndsName(text_[i])) ++i;
    if (name != nullptr) {
      name->clear();
      for (std::size_t k = start; k < i; ++k) name->push_back(text_[k]);
    }
    return i;
  }

  bool IsNamespaceDeclaration(std::size_t start, std::size_t end) const {
    return At(start, "xmlns") && (end - start == 5 || text_[start + 5] == ':');
  }

  bool HasColon(std::size_t start, std::size_t end) const {
    for (std::size_t k = start; k < end; ++k) {
      if (text_[k] == ':') return true;
    }
    return false;
  }

  // i is after the "<". Adds what libxml2 does for the tag beyond reading it: each attribute
  // checked against those before it, each declaration against those before it and pushed past
  // the ones in scope, the element's and each prefixed attribute's prefix looked up through them.
  std::size_t StartTag(std::size_t i) {
    i = ReadName(i, defaults_.empty() ? nullptr : &name_);
    std::size_t attributes = defaults_.empty() ? 0 : Defaults(name_);
    std::size_t declarations = 0, prefixed = 0;
    bool empty = false;
    while (i < text_.size()) {
      i = SkipSpaces(i);
      if (i >= text_.size()) break;
      const char32_t c = text_[i];
      if (c == '>' || c == '<') {
        i += c == '>' ? 1 : 0;
        break;
      }
      if (c == '/') {
        empty = At(i, "/>");
        i += empty ? 2 : 1;
        if (empty) break;
        continue;
      }
      if (c == '"' || c == '\'') {
        i = SkipQuoted(i);
        continue;
      }
      const std::size_t start = i;
      i = ReadName(i, nullptr);
      if (IsNamespaceDeclaration(start, i)) {
        ++declarations;
      } else {
        ++attributes;
        prefixed += HasColon(start, i) ? 1 : 0;
      }
      i = SkipSpaces(i);
      if (i < text_.size() && text_[i] == '=') {
        i = SkipSpaces(i + 1);
        if (i < text_.size() && (text_[i] == '"' || text_[i] == '\'')) i = SkipQuoted(i);
      }
    }
    const std::size_t in_scope = in_scope_ + declarations;
    steps_ += attributes * attributes / 2 + declarations * declarations / 2 +
              (1 + prefixed + declarations) * in_scope;
    if (!empty) {
      open_.push_back(declarations);
      in_scope_ = in_scope;
    }
    return i;
  }

  std::size_t EndTag(std::size_t i) {
    if (!open_.empty()) {
      in_scope_ -= open_.back();
      open_.pop_back();
    }
    return SkipDeclaration(i);
  }

  // Past the ">" that ends a tag or declaration, quoted text skipped.
  std::size_t SkipDeclaration(std::size_t i) const {
    while (i < text_.size() && text_[i] != '>') {
      i = text_[i] == '"' || text_[i] == '\'' ? SkipQuoted(i) : i + 1;
    }
    return i < text_.size() ? i + 1 : i;
  }

  std::size_t Doctype(std::size_t i) {
    while (i < text_.size() && text_[i] != '>') {
      if (text_[i] == '"' || text_[i] == '\'') {
        i = SkipQuoted(i);
      } else if (text_[i] == '[') {
        i = InternalSubset(i + 1);
      } else {
        ++i;
      }
    }
    return i < text_.size() ? i + 1 : i;
  }

  std::size_t InternalSubset(std::size_t i) {
    while (i < text_.size() && text_[i] != ']') {
      if (At(i, "<!--")) {
        i = SkipPast(i + 4, "-->");
      } else if (At(i, "<?")) {
        i = SkipPast(i + 2, "?>");
      } else if (At(i, "<!ATTLIST")) {
        i = AttributeList(i + 9);
      } else if (text_[i] == '<') {
        i = SkipDeclaration(i + 1);
      } else if (text_[i] == '"' || text_[i] == '\'') {
        i = SkipQuoted(i);
      } else {
        ++i;
      }
    }
    return i < text_.size() ? i + 1 : i;
  }

  // Every quoted value in an attribute-list declaration is a default that libxml2 adds to each
  // start tag of the element.
  std::size_t AttributeList(std::size_t i) {
    std::u32string element;
    i = ReadName(SkipSpaces(i), &element);
    std::size_t count = 0;
    while (i < text_.size() && text_[i] != '>') {
      if (text_[i] == '"' || text_[i] == '\'') {
        ++count;
        i = SkipQuoted(i);
      } else {
        ++i;
      }
    }
    if (count > 0 && declared_ != nullptr) (*declared_)[element] += count;
    return i < text_.size() ? i + 1 : i;
  }

  std::size_t Defaults(const std::u32string& element) const {
    const auto found = defaults_.find(element);
    return found != defaults_.end() ? found->second : 0;
  }

  const Text& text_;
  const AttributeDefaults& defaults_;
  AttributeDefaults* declared_;
  std::size_t limit_;
  std::size_t steps_ = 0;
  std::size_t over_at_ = kNone;
  std::vector<std::size_t> open_;  // the namespace declarations of each open element
  std::size_t in_scope_ = 0;
  std::u32string name_;
};

template <int kWidth, bool kBigEndian>
MarkupCost Scan(std::string_view bytes, std::size_t skip, std::size_t limit,
                AttributeDefaults& defaults) {
  const Units<kWidth, kBigEndian> text(bytes, skip);
  Scanner<Units<kWidth, kBigEndian>> scanner(text, defaults, &defaults, limit);
  const std::size_t steps = scanner.Run(true);
  return {steps, scanner.OverAtLine()};
}

}  // namespace

// The encodings libxml2 tells from the first bytes; any other is read a byte at a time, which
// finds the markup of every encoding whose ASCII characters are single bytes.
MarkupCost DocumentMarkupCost(std::string_view bytes, std::size_t steps_limit,
                              AttributeDefaults& defaults) {
  const auto starts = [&](std::string_view prefix) { return bytes.starts_with(prefix); };
  using namespace std::string_view_literals;
  if (starts("\0\0\xFE\xFF"sv)) return Scan<4, true>(bytes, 4, steps_limit, defaults);
  if (starts("\xFF\xFE\0\0"sv)) return Scan<4, false>(bytes, 4, steps_limit, defaults);
  if (starts("\0\0\0<"sv)) return Scan<4, true>(bytes, 0, steps_limit, defaults);
  if (starts("<\0\0\0"sv)) return Scan<4, false>(bytes, 0, steps_limit, defaults);
  if (starts("\xFE\xFF"sv)) return Scan<2, true>(bytes, 2, steps_limit, defaults);
  if (starts("\xFF\xFE"sv)) return Scan<2, false>(bytes, 2, steps_limit, defaults);
  if (starts("\0<"sv)) return Scan<2, true>(bytes, 0, steps_limit, defaults);
  if (starts("<\0"sv)) return Scan<2, false>(bytes, 0, steps_limit, defaults);
  return Scan<1, false>(bytes, 0, steps_limit, defaults);
}

std::size_t EntityMarkupSteps(std::string_view utf8, const AttributeDefaults& defaults) {
  const Units<1, false> text(utf8, 0);
  return Scanner<Units<1, false>>(text, defaults, nullptr, static_cast<std::size_t>(-1)).Run(false);
}

}  // namespace platform
