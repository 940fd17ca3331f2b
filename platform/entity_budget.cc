#include "platform/entity_budget.h"

#include <algorithm>
#include <span>
#include <unordered_map>
#include <vector>

#include "platform/code_page.h"
#include "platform/document_encoding.h"
#include "platform/hex.h"
#include "platform/xml_document.h"

namespace platform {
namespace {

constexpr int kMaxNesting = 32;
constexpr int kMaxParameterExpansions = 1000;

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

// A character that may be part of a name; every non-ASCII character counts, so that no name the
// parser reads is missed.
bool IsNameChar(char16_t c) {
  return c >= 0x80 || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
         (c >= u'0' && c <= u'9') || c == u'.' || c == u'-' || c == u'_' || c == u':';
}

std::size_t NameEnd(std::u16string_view text, std::size_t position) {
  while (position < text.size() && IsNameChar(text[position])) ++position;
  return position;
}

// The name of a reference "&name;" or "%name;" at position; empty when there is none.
std::u16string_view ReferenceName(std::u16string_view text, std::size_t position) {
  const std::size_t end = NameEnd(text, position + 1);
  if (end == position + 1 || end >= text.size() || text[end] != u';') return {};
  return text.substr(position + 1, end - position - 1);
}

// The position after the quoted literal that starts at position, or the end.
std::size_t SkipQuoted(std::u16string_view text, std::size_t position) {
  const std::size_t end = text.find(text[position], position + 1);
  return end == std::u16string_view::npos ? text.size() : end + 1;
}

std::size_t SkipPast(std::u16string_view text, std::size_t position, std::u16string_view end) {
  const std::size_t found = text.find(end, position);
  return found == std::u16string_view::npos ? text.size() : found + end.size();
}

bool IsQuote(char16_t c) { return c == u'"' || c == u'\''; }

// The position past the comment or processing instruction at position (and, where cdata, the CDATA
// section), or npos when none starts there. Its end is looked for after its opening: "<!-->"
// opens a comment that goes on to a later "-->", as "<?>" does not end at its own "?>".
std::size_t SkipSection(std::u16string_view text, std::size_t position, bool cdata) {
  struct Section {
    std::u16string_view open;
    std::u16string_view close;
  };
  constexpr Section kSections[] = {{u"<!--", u"-->"}, {u"<?", u"?>"}, {u"<![CDATA[", u"]]>"}};
  const std::u16string_view rest = text.substr(position);
  for (const Section& section : std::span(kSections).first(cdata ? 3 : 2)) {
    if (rest.starts_with(section.open))
      return SkipPast(text, position + section.open.size(), section.close);
  }
  return std::u16string_view::npos;
}

void AppendCodePoint(std::u16string& text, char32_t code_point) {
  if (code_point < 0x10000) {
    text += static_cast<char16_t>(code_point);
  } else {
    code_point -= 0x10000;
    text += static_cast<char16_t>(0xD800 + (code_point >> 10));
    text += static_cast<char16_t>(0xDC00 + (code_point & 0x3FF));
  }
}

// The character that the character reference ending with the ';' at text's end stands for, and
// the reference's length; 0 when text does not end in one.
std::pair<char32_t, std::size_t> TrailingCharacterReference(std::u16string_view text) {
  std::size_t start = text.size() - 1;
  while (start > 0 && HexDigitValue(text[start - 1]) >= 0) --start;
  const std::size_t digits_start = start;
  const bool hex = start > 0 && (text[start - 1] == u'x' || text[start - 1] == u'X');
  if (hex) --start;
  if (start < 2 || text[start - 1] != u'#' || text[start - 2] != u'&' ||
      digits_start == text.size() - 1)
    return {0, 0};
  char32_t value = 0;
  for (std::size_t i = digits_start; i + 1 < text.size(); ++i) {
    const char16_t c = text[i];
    if (!hex && !(c >= u'0' && c <= u'9')) return {0, 0};
    const auto digit = static_cast<char32_t>(HexDigitValue(c));
    value = std::min<char32_t>(value * (hex ? 16 : 10) + digit, 0x110000);
  }
  if (value == 0 || value > 0x10FFFF) return {0, 0};
  return {value, text.size() - (start - 2)};
}

// The text with its character references replaced, once, as a literal is at its declaration.
std::u16string ResolveCharacterReferences(std::u16string_view text) {
  std::u16string resolved;
  resolved.reserve(text.size());
  std::size_t reference_start = std::u16string_view::npos;
  for (char16_t c : text) {
    resolved += c;
    if (c == u'&') reference_start = resolved.size() - 1;
    if (c != u';' || reference_start == std::u16string_view::npos) continue;
    const auto [value, length] =
        TrailingCharacterReference(std::u16string_view(resolved).substr(reference_start));
    reference_start = std::u16string_view::npos;
    if (length == 0) continue;
    resolved.resize(resolved.size() - length);
    AppendCodePoint(resolved, value);
  }
  return resolved;
}

// The text with its character references replaced again and again, also those that a replaced
// one completes ("&#38;#38;" gives "&"): a reference or start tag of any such reading is in it.
std::u16string ResolveRepeatedly(std::u16string_view text) {
  std::u16string resolved;
  resolved.reserve(text.size());
  for (char16_t c : text) {
    resolved += c;
    while (resolved.back() == u';') {
      const auto [value, length] = TrailingCharacterReference(resolved);
      if (length == 0) break;
      resolved.resize(resolved.size() - length);
      AppendCodePoint(resolved, value);
    }
  }
  return resolved;
}

// Calls found(name, position) for every "&name;" of text.
template <typename Found>
void ForEachReference(std::u16string_view text, Found found) {
  for (std::size_t at = text.find(u'&'); at != std::u16string_view::npos;
       at = text.find(u'&', at + 1)) {
    const std::u16string_view name = ReferenceName(text, at);
    if (!name.empty()) found(name, at);
  }
}

// The element name of the start tag at position ('<'); empty when none starts there.
std::u16string_view TagName(std::u16string_view text, std::size_t position) {
  return text.substr(position + 1, NameEnd(text, position + 1) - position - 1);
}

struct AttributeDefault {
  std::size_t name_length;
  std::u16string literal;
};

// A part of an attribute-list declaration: a quoted literal, a parenthesised group or a word.
struct Token {
  enum Kind { kLiteral, kGroup, kWord } kind;
  std::u16string_view text;  // a literal without its quotes
};

class EntityScan {
 public:
  EntityScan(DocumentText text, const XmlEntityLimits& limits)
      : document_(std::move(text)), text_(document_.units), limits_(limits) {}

  EntityExpansion Run() {
    doctype_ = FindDoctype();
    if (doctype_ == std::u16string_view::npos) return {};
    std::size_t position = doctype_ + 9;
    while (position < text_.size() && text_[position] != u'[' && text_[position] != u'>')
      position = IsQuote(text_[position]) ? SkipQuoted(text_, position) : position + 1;
    if (position < text_.size() && text_[position] == u'[') {
      const std::size_t end = ScanSubset(text_, position + 1, 0);
      position = SkipDeclaration(text_, end);
    }
    if (!declares_) return {};
    // What the subset declares is read from text the parser may read otherwise.
    if (!document_.exact) Refuse(doctype_);
    return ScanBody(position);
  }

 private:
  // The DOCTYPE as the parser meets it: after the XML declaration, comments, processing
  // instructions and white space; npos when an element (or anything else of markup) comes first.
  std::size_t FindDoctype() const {
    for (std::size_t position = 0; position < text_.size();) {
      if (text_.substr(position).starts_with(u"<!DOCTYPE")) return position;
      const std::size_t past = SkipSection(text_, position, false);
      if (past != std::u16string_view::npos) {
        position = past;
      } else if (text_[position] == u'<') {
        return std::u16string_view::npos;
      } else {
        ++position;
      }
    }
    return std::u16string_view::npos;
  }

  // The position after a declaration's closing '>', quoted literals skipped. A parameter entity
  // reference outside the literals, which the parser forbids inside a declaration of the
  // internal subset, is refused rather than guessed at.
  std::size_t SkipDeclaration(std::u16string_view subset, std::size_t position) const {
    while (position < subset.size() && subset[position] != u'>') {
      if (subset[position] == u'%') Refuse(doctype_);
      position = IsQuote(subset[position]) ? SkipQuoted(subset, position) : position + 1;
    }
    return std::min(position + 1, subset.size());
  }

  // Records the declarations of a DTD subset, following its parameter entity references; returns
  // the position of the subset's closing ']' (or the end).
  std::size_t ScanSubset(std::u16string_view subset, std::size_t position, int nesting) {
    while (position < subset.size() && (nesting > 0 || subset[position] != u']')) {
      const std::u16string_view rest = subset.substr(position);
      const std::size_t past = SkipSection(subset, position, false);
      if (past != std::u16string_view::npos) {
        position = past;
      } else if (rest.starts_with(u"<!ENTITY")) {
        position = DeclareEntity(subset, position + 8);
      } else if (rest.starts_with(u"<!ATTLIST")) {
        position = DeclareDefaults(subset, position + 9);
      } else if (rest.starts_with(u"<")) {
        position = SkipDeclaration(subset, position + 1);
      } else if (subset[position] == u'%') {
        const std::u16string_view name = ReferenceName(subset, position);
        const auto parameter = parameter_.find(std::u16string(name));
        if (parameter != parameter_.end()) {
          for (const std::u16string& value : parameter->second) {
            if (++parameter_expansions_ > kMaxParameterExpansions || nesting >= kMaxNesting)
              Refuse(doctype_);
            ScanSubset(value, 0, nesting + 1);
          }
        }
        position += name.empty() ? 1 : name.size() + 2;
      } else {
        ++position;
      }
    }
    return position;
  }

  // Reads one entity declaration after "<!ENTITY". Every declaration of a name is kept: the
  // longest counts.
  std::size_t DeclareEntity(std::u16string_view subset, std::size_t position) {
    declares_ = true;
    const auto skip_space = [&] {
      while (position < subset.size() && IsSpace(subset[position])) ++position;
    };
    skip_space();
    const bool parameter = position < subset.size() && subset[position] == u'%';
    if (parameter) {
      ++position;
      if (position < subset.size() && !IsSpace(subset[position])) Refuse(doctype_);
    }
    skip_space();
    const std::size_t name_start = position;
    position = NameEnd(subset, position);
    const std::u16string name(subset.substr(name_start, position - name_start));
    skip_space();
    if (name.empty() || position >= subset.size() || !IsQuote(subset[position]))
      return SkipDeclaration(subset, position);  // an external entity, never read
    const std::size_t end = SkipQuoted(subset, position);
    const std::u16string_view literal = subset.substr(position + 1, end - position - 2);
    if (literal.find(u'%') != std::u16string_view::npos) Refuse(doctype_);
    (parameter ? parameter_ : general_)[name].push_back(ResolveCharacterReferences(literal));
    return SkipDeclaration(subset, end);
  }

  // Reads one attribute-list declaration after "<!ATTLIST": for its element, the name and the
  // default value of each attribute that has one. A declaration that does not read as expected
  // counts its whole length for each default.
  std::size_t DeclareDefaults(std::u16string_view subset, std::size_t position) {
    declares_ = true;
    const std::size_t start = position;
    std::vector<Token> tokens;
    while (position < subset.size() && subset[position] != u'>') {
      const char16_t c = subset[position];
      if (IsSpace(c)) {
        ++position;
      } else if (IsQuote(c)) {
        const std::size_t end = SkipQuoted(subset, position);
        tokens.push_back({Token::kLiteral, subset.substr(position + 1, end - position - 2)});
        position = end;
      } else {
        const bool group = c == u'(';
        const std::size_t end =
            group ? subset.find(u')', position) : subset.find_first_of(u" \t\r\n\"'>(", position);
        const std::size_t stop = end == std::u16string_view::npos ? subset.size()
                                 : group                          ? end + 1
                                                                  : end;
        const std::u16string_view text = subset.substr(position, stop - position);
        if (text.find(u'%') != std::u16string_view::npos) Refuse(doctype_);
        tokens.push_back({group ? Token::kGroup : Token::kWord, text});
        position = stop;
      }
    }
    const std::size_t declaration_length = position - start;
    position = std::min(position + 1, subset.size());
    if (tokens.empty() || tokens[0].kind != Token::kWord) return position;

    std::vector<AttributeDefault> found;
    const auto is = [&](std::size_t i, Token::Kind kind, std::u16string_view text = {}) {
      return i < tokens.size() && tokens[i].kind == kind &&
             (text.empty() || tokens[i].text == text);
    };
    bool regular = true;
    for (std::size_t i = 1; regular && i < tokens.size();) {
      regular = is(i, Token::kWord);
      const std::size_t name_length = regular ? tokens[i].text.size() : 0;
      ++i;
      if (is(i, Token::kWord, u"NOTATION")) ++i;
      regular = regular && (is(i, Token::kWord) || is(i, Token::kGroup));
      ++i;
      if (is(i, Token::kWord, u"#REQUIRED") || is(i, Token::kWord, u"#IMPLIED")) {
        ++i;
        continue;
      }
      if (is(i, Token::kWord, u"#FIXED")) ++i;
      regular = regular && is(i, Token::kLiteral);
      if (regular) found.push_back({name_length, std::u16string(tokens[i].text)});
      ++i;
    }
    if (!regular) {
      found.clear();
      for (const Token& token : tokens) {
        if (token.kind == Token::kLiteral)
          found.push_back({declaration_length, std::u16string(token.text)});
      }
    }
    auto& defaults = defaults_[std::u16string(tokens[0].text)];
    defaults.insert(defaults.end(), found.begin(), found.end());
    return position;
  }

  // The length of a general entity once expanded, its own references and the attribute defaults
  // of the elements it makes included; TooLong() at most (also for an entity that refers to
  // itself, however indirectly).
  std::size_t Length(const std::u16string& name, int nesting) {
    const auto known = lengths_.find(name);
    if (known != lengths_.end()) return known->second;
    if (nesting > kMaxNesting) return TooLong();
    lengths_.emplace(name, TooLong());
    std::size_t longest = 0;
    for (const std::u16string& value : general_.at(name)) {
      const std::u16string readings = ResolveRepeatedly(value);
      std::size_t length = Sum(value.size(), ReferencesLength(readings, nesting));
      for (std::size_t at = readings.find(u'<'); at != std::u16string::npos && length < TooLong();
           at = readings.find(u'<', at + 1))
        length = Sum(length, DefaultsLength(TagName(readings, at), nesting + 1));
      longest = std::max(longest, length);
    }
    return lengths_[name] = longest;
  }

  // What the references of text to declared general entities add up to.
  std::size_t ReferencesLength(std::u16string_view text, int nesting) {
    std::size_t length = 0;
    ForEachReference(text, [&](std::u16string_view name, std::size_t) {
      const std::u16string key(name);
      if (length < TooLong() && general_.count(key) != 0)
        length = Sum(length, Length(key, nesting + 1));
    });
    return length;
  }

  // What the attribute defaults that an element of this name receives add up to.
  std::size_t DefaultsLength(std::u16string_view element, int nesting) {
    if (element.empty() || defaults_.empty()) return 0;
    const std::u16string key(element);
    const auto defaults = defaults_.find(key);
    if (defaults == defaults_.end()) return 0;
    const auto known = default_lengths_.find(key);
    if (known != default_lengths_.end()) return known->second;
    if (nesting > kMaxNesting) return TooLong();
    default_lengths_.emplace(key, TooLong());
    std::size_t length = 0;
    for (const AttributeDefault& attribute : defaults->second) {
      length = Sum(length, attribute.name_length);
      length = Sum(length, ResolveCharacterReferences(attribute.literal).size());
      length = Sum(length, ReferencesLength(ResolveRepeatedly(attribute.literal), nesting));
    }
    return default_lengths_[key] = length;
  }

  // Adds up the document's own references and elements: every expansion and every element's
  // defaults, and in text the copy of the text so far that joining an expansion to it costs.
  // A refusal names the attribute defaults where the document's references alone stay within the
  // limits.
  EntityExpansion ScanBody(std::size_t position) {
    EntityExpansion total;
    EntityExpansion by_defaults;
    std::size_t run = 0;
    bool in_tag = false;
    const auto within = [&](const EntityExpansion& expansion) {
      return expansion.characters <= limits_.characters && expansion.work <= limits_.work;
    };
    const auto add = [&](std::size_t length, std::size_t at, EntityExpansion* part) {
      const std::size_t work = length + (in_tag ? 0 : run);
      total.characters += length;
      total.work += work;
      run += length;
      if (part != nullptr) {
        part->characters += length;
        part->work += work;
      }
      if (within(total)) return;
      const EntityExpansion by_references{total.characters - by_defaults.characters,
                                          total.work - by_defaults.work};
      Refuse(at, within(by_references) ? kAttributeDefaultsLimitsReason : kEntityLimitsReason);
    };
    for (; position < text_.size(); ++position) {
      const char16_t c = text_[position];
      if (c == u'<') {
        run = 0;
        const std::size_t past = SkipSection(text_, position, true);
        if (past != std::u16string_view::npos) {
          position = past - 1;
          continue;
        }
        in_tag = true;
        add(DefaultsLength(TagName(text_, position), 0), position, &by_defaults);
        continue;
      }
      // A '>' in text is text: only the end of a tag starts a new run.
      if (c == u'>' && in_tag) {
        in_tag = false;
        run = 0;
        continue;
      }
      ++run;
      if (c != u'&') continue;
      const std::u16string key(ReferenceName(text_, position));
      if (key.empty() || general_.count(key) == 0) continue;
      add(Length(key, 0), position, nullptr);
      position += key.size() + 1;
    }
    return total;
  }

  [[noreturn]] void Refuse(std::size_t position, const char* reason = kEntityLimitsReason) const {
    const std::size_t line_start = text_.rfind(u'\n', position);
    const std::size_t start = line_start == std::u16string_view::npos ? 0 : line_start + 1;
    const int line = 1 + static_cast<int>(std::count(text_.begin(), text_.begin() + start, u'\n'));
    const std::size_t end = text_.find_first_of(u"\r\n", start);
    const std::size_t length = std::min(end - start, XmlLoadError::kSourceTextLength);
    throw XmlLoadError(reason, line, WideToAnsi(text_.substr(start, length)));
  }

  std::size_t Sum(std::size_t a, std::size_t b) const { return std::min(a + b, TooLong()); }
  // What stands for a length beyond the limits.
  std::size_t TooLong() const { return limits_.characters + 1; }

  const DocumentText document_;
  const std::u16string_view text_;
  const XmlEntityLimits limits_;
  std::size_t doctype_ = 0;
  bool declares_ = false;
  int parameter_expansions_ = 0;
  std::unordered_map<std::u16string, std::vector<std::u16string>> general_;
  std::unordered_map<std::u16string, std::vector<std::u16string>> parameter_;
  std::unordered_map<std::u16string, std::vector<AttributeDefault>> defaults_;
  std::unordered_map<std::u16string, std::size_t> lengths_;
  std::unordered_map<std::u16string, std::size_t> default_lengths_;
};

}  // namespace

EntityExpansion MeasureEntityExpansion(std::string_view bytes) {
  return EntityScan(DecodeDocument(bytes), XmlEntityLimits::ForDocument(bytes.size())).Run();
}

}  // namespace platform
