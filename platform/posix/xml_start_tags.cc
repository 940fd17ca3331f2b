#include "platform/posix/xml_start_tags.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace platform {
namespace {

struct StartTag {
  std::string_view name;  // in the source
  int first_line;         // the line of "<"
  int last_line;          // the line of the closing ">"
  int column;
};

// Reads the start tags of source in order, stepping over comments, CDATA sections, processing
// instructions, the DOCTYPE with its internal subset, and end tags.
class TagScanner {
 public:
  explicit TagScanner(std::string_view source) : source_(source) {}

  std::vector<StartTag> Scan() {
    std::vector<StartTag> tags;
    while (at_ < source_.size()) {
      if (source_[at_] != '<') {
        Advance(1);
      } else if (Rest().starts_with("<!--")) {
        SkipPast("-->");
      } else if (Rest().starts_with("<![CDATA[")) {
        SkipPast("]]>");
      } else if (Rest().starts_with("<?")) {
        SkipPast("?>");
      } else if (Rest().starts_with("<!")) {
        SkipDeclaration();
      } else if (Rest().starts_with("</")) {
        SkipPast(">");
      } else {
        tags.push_back(ReadStartTag());
      }
    }
    return tags;
  }

 private:
  std::string_view Rest() const { return source_.substr(at_); }

  // Moves on by count bytes, keeping the line and the column of where it stops.
  void Advance(std::size_t count) {
    for (const std::size_t end = std::min(at_ + count, source_.size()); at_ < end; ++at_) {
      const auto byte = static_cast<unsigned char>(source_[at_]);
      if (byte == '\n') {
        ++line_;
        column_ = 1;
      } else if ((byte & 0xC0) != 0x80) {
        ++column_;  // each UTF-8 sequence counts once, by its first byte
      }
    }
  }

  void SkipPast(std::string_view end) {
    const std::size_t found = source_.find(end, at_);
    Advance(found == std::string_view::npos ? source_.size() : found + end.size() - at_);
  }

  // "<!DOCTYPE ...>", with an internal subset in brackets that may itself hold ">".
  void SkipDeclaration() {
    const std::size_t close = source_.find('>', at_);
    const std::size_t open = source_.find('[', at_);
    if (open == std::string_view::npos || open > close) return SkipPast(">");
    Advance(open - at_);
    while (at_ < source_.size()) {
      SkipPast("]");
      const std::size_t next = source_.find_first_not_of(" \t\r\n", at_);
      if (next != std::string_view::npos && source_[next] == '>') return Advance(next + 1 - at_);
    }
  }

  StartTag ReadStartTag() {
    StartTag tag{{}, line_, line_, column_};
    Advance(1);
    const std::size_t name_end = source_.find_first_of(" \t\r\n/>", at_);
    tag.name = source_.substr(at_, name_end - at_);
    char quote = 0;
    while (at_ < source_.size() && (quote != 0 || source_[at_] != '>')) {
      if (quote == 0 && (source_[at_] == '"' || source_[at_] == '\'')) {
        quote = source_[at_];
      } else if (source_[at_] == quote) {
        quote = 0;
      }
      Advance(1);
    }
    tag.last_line = line_;
    Advance(1);
    return tag;
  }

  std::string_view source_;
  std::size_t at_ = 0;
  int line_ = 1;
  int column_ = 1;  // of at_, from 1, in characters
};

}  // namespace

std::vector<int> StartTagColumns(const std::vector<ElementLine>& elements,
                                 std::string_view source) {
  std::vector<int> columns(elements.size(), 0);
  if (source.starts_with("\xFF\xFE") || source.starts_with("\xFE\xFF")) return columns;
  const std::vector<StartTag> tags = TagScanner(source).Scan();
  // Each element takes the first tag of its name after the last tag taken, when that tag spans
  // the element's line. The tags of each name are kept in order with a position that only moves
  // on, so that elements without a tag (brought in by an entity reference, say) cost no scan of
  // the tags after them, which on a document written on one line would be all of them.
  std::unordered_map<std::string_view, std::pair<std::vector<std::size_t>, std::size_t>> by_name;
  for (std::size_t i = 0; i < tags.size(); ++i) by_name[tags[i].name].first.push_back(i);
  std::size_t next_tag = 0;
  for (std::size_t e = 0; e < elements.size(); ++e) {
    const ElementLine& element = elements[e];
    const auto found = by_name.find(element.name);
    if (found == by_name.end()) continue;
    auto& [indices, position] = found->second;
    while (position < indices.size() &&
           (indices[position] < next_tag || tags[indices[position]].last_line < element.line)) {
      ++position;  // taken over, or ending before this element's line and so before any later
    }
    if (position == indices.size()) continue;
    const StartTag& tag = tags[indices[position]];
    if (tag.first_line > element.line) continue;
    columns[e] = tag.column;
    next_tag = indices[position] + 1;
  }
  return columns;
}

}  // namespace platform
