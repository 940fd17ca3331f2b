#include "platform/windows/entity_budget.h"

#include <algorithm>
#include <unordered_map>

#include "import/xml_document.h"
#include "platform/code_page.h"

namespace regcorvex {
namespace {

constexpr std::size_t kTooLong = XmlEntityLimits::kMaxCharacters + 1;
constexpr int kMaxNesting = 32;
constexpr int kMaxParameterExpansions = 1000;
constexpr std::size_t kMaxNameLength = 256;

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

// The position after the quoted literal or the markup that starts at position, or the end.
std::size_t SkipQuoted(std::u16string_view text, std::size_t position) {
  const std::size_t end = text.find(text[position], position + 1);
  return end == std::u16string_view::npos ? text.size() : end + 1;
}

std::size_t SkipPast(std::u16string_view text, std::size_t position, std::u16string_view end) {
  const std::size_t found = text.find(end, position);
  return found == std::u16string_view::npos ? text.size() : found + end.size();
}

// The position after a declaration's closing '>', quoted literals skipped.
std::size_t SkipDeclaration(std::u16string_view text, std::size_t position) {
  while (position < text.size() && text[position] != u'>') {
    position = text[position] == u'"' || text[position] == u'\'' ? SkipQuoted(text, position)
                                                                 : position + 1;
  }
  return std::min(position + 1, text.size());
}

// The name of a reference "&name;" or "%name;" at position; empty when there is none.
std::u16string_view ReferenceName(std::u16string_view text, std::size_t position) {
  const std::size_t end = text.find(u';', position + 1);
  if (end == std::u16string_view::npos || end - position - 1 > kMaxNameLength) return {};
  const std::u16string_view name = text.substr(position + 1, end - position - 1);
  return std::any_of(name.begin(), name.end(), [](char16_t c) { return IsSpace(c) || c == u'<'; })
             ? std::u16string_view()
             : name;
}

class EntityScan {
 public:
  explicit EntityScan(std::u16string_view text) : text_(text) {}

  void Run() {
    doctype_ = text_.find(u"<!DOCTYPE");
    if (doctype_ == std::u16string_view::npos) return;
    std::size_t position = doctype_ + 9;
    while (position < text_.size() && text_[position] != u'[' && text_[position] != u'>') {
      position = text_[position] == u'"' || text_[position] == u'\'' ? SkipQuoted(text_, position)
                                                                     : position + 1;
    }
    if (position < text_.size() && text_[position] == u'[') {
      const std::size_t end = ScanSubset(text_, position + 1, 0);
      position = SkipDeclaration(text_, end);
    }
    if (!general_.empty()) ScanBody(position);
  }

 private:
  // Records the entity declarations of a DTD subset, following its parameter entity references;
  // returns the position of the closing ']' (or the end).
  std::size_t ScanSubset(std::u16string_view subset, std::size_t position, int nesting) {
    while (position < subset.size() && subset[position] != u']') {
      const std::u16string_view rest = subset.substr(position);
      if (rest.starts_with(u"<!--")) {
        position = SkipPast(subset, position, u"-->");
      } else if (rest.starts_with(u"<?")) {
        position = SkipPast(subset, position, u"?>");
      } else if (rest.starts_with(u"<!ENTITY")) {
        position = Declare(subset, position + 8);
      } else if (rest.starts_with(u"<")) {
        position = SkipDeclaration(subset, position);
      } else if (subset[position] == u'%') {
        const std::u16string_view name = ReferenceName(subset, position);
        const auto parameter = parameter_.find(std::u16string(name));
        if (parameter != parameter_.end()) {
          if (++parameter_expansions_ > kMaxParameterExpansions || nesting >= kMaxNesting)
            Refuse(doctype_);
          ScanSubset(parameter->second, 0, nesting + 1);
        }
        position += name.size() + 1;
      } else {
        ++position;
      }
    }
    return position;
  }

  // Reads one entity declaration after "<!ENTITY"; the first declaration of a name counts.
  std::size_t Declare(std::u16string_view subset, std::size_t position) {
    while (position < subset.size() && IsSpace(subset[position])) ++position;
    const bool parameter = position < subset.size() && subset[position] == u'%';
    if (parameter) ++position;
    while (position < subset.size() && IsSpace(subset[position])) ++position;
    const std::size_t name_start = position;
    while (position < subset.size() && !IsSpace(subset[position]) && subset[position] != u'>')
      ++position;
    const std::u16string name(subset.substr(name_start, position - name_start));
    if (name.empty()) return SkipDeclaration(subset, position);
    while (position < subset.size() && IsSpace(subset[position])) ++position;
    if (position < subset.size() && (subset[position] == u'"' || subset[position] == u'\'')) {
      const std::size_t end = SkipQuoted(subset, position);
      const std::u16string_view value = subset.substr(position + 1, end - position - 2);
      (parameter ? parameter_ : general_).emplace(name, value);
    }
    return SkipDeclaration(subset, position);
  }

  // The length of a general entity once its own references are expanded, kTooLong at most (also
  // for an entity that refers to itself).
  std::size_t Length(const std::u16string& name, int nesting) {
    const auto known = lengths_.find(name);
    if (known != lengths_.end()) return known->second;
    if (nesting > kMaxNesting) return kTooLong;
    lengths_.emplace(name, kTooLong);
    const std::u16string_view value = general_.at(name);
    std::size_t length = 0;
    for (std::size_t i = 0; i < value.size() && length < kTooLong;) {
      const std::u16string key = value[i] == u'&' ? DeclaredName(value, i) : std::u16string();
      length += key.empty() ? 1 : Length(key, nesting + 1);
      i += key.empty() ? 1 : key.size() + 2;
    }
    return lengths_[name] = std::min(length, kTooLong);
  }

  // The name of the reference at position when it names a declared general entity, else empty.
  std::u16string DeclaredName(std::u16string_view text, std::size_t position) const {
    std::u16string name(ReferenceName(text, position));
    return general_.count(name) != 0 ? name : std::u16string();
  }

  // Adds up the references of the document's elements: every expansion, and in text the copy of
  // the text so far that joining an expansion to it costs.
  void ScanBody(std::size_t position) {
    std::size_t characters = 0, work = 0, run = 0;
    bool in_tag = false;
    for (; position < text_.size(); ++position) {
      const char16_t c = text_[position];
      if (c == u'<' || c == u'>') {
        in_tag = c == u'<';
        run = 0;
        continue;
      }
      ++run;
      if (c != u'&') continue;
      const std::u16string key = DeclaredName(text_, position);
      if (key.empty()) continue;
      const std::size_t length = Length(key, 0);
      characters += length;
      work += length + (in_tag ? 0 : run);
      run += length;
      if (characters > XmlEntityLimits::kMaxCharacters || work > XmlEntityLimits::kMaxWork)
        Refuse(position);
      position += key.size() + 1;
    }
  }

  [[noreturn]] void Refuse(std::size_t position) const {
    const std::size_t line_start = text_.rfind(u'\n', position);
    const std::size_t start = line_start == std::u16string_view::npos ? 0 : line_start + 1;
    const int line = 1 + static_cast<int>(std::count(text_.begin(), text_.begin() + start, u'\n'));
    const std::size_t end = text_.find_first_of(u"\r\n", start);
    const std::size_t length = std::min(end - start, XmlLoadError::kSourceTextLength);
    throw XmlLoadError(kEntityLimitsReason, line,
                       platform::WideToAnsi(text_.substr(start, length)));
  }

  std::u16string_view text_;
  std::size_t doctype_ = 0;
  int parameter_expansions_ = 0;
  std::unordered_map<std::u16string, std::u16string> general_;
  std::unordered_map<std::u16string, std::u16string> parameter_;
  std::unordered_map<std::u16string, std::size_t> lengths_;
};

}  // namespace

std::u16string DocumentCodeUnits(std::string_view bytes) {
  std::u16string units;
  const bool little_endian = bytes.starts_with("\xFF\xFE");
  if (little_endian || bytes.starts_with("\xFE\xFF")) {
    units.reserve(bytes.size() / 2);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      const auto low = static_cast<unsigned char>(bytes[little_endian ? i : i + 1]);
      const auto high = static_cast<unsigned char>(bytes[little_endian ? i + 1 : i]);
      units += static_cast<char16_t>(high << 8 | low);
    }
    return units;
  }
  units.reserve(bytes.size());
  for (char byte : bytes) units += static_cast<char16_t>(static_cast<unsigned char>(byte));
  return units;
}

void CheckEntityExpansion(std::u16string_view text) { EntityScan(text).Run(); }

}  // namespace regcorvex
