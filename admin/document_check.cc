#include "admin/document_check.h"

#include <algorithm>
#include <iterator>
#include <optional>

#include "admin/report_text.h"
#include "import/document_format.h"
#include "import/document_nodes.h"
#include "import/import_walk.h"
#include "import/value_types.h"
#include "platform/code_page.h"
#include "platform/utf8.h"

namespace regcorvex {
namespace {

// The names of a table's entries.
template <typename Table>
std::vector<const char*> NamesOf(const Table& table) {
  std::vector<const char*> names;
  for (const auto& entry : table) names.push_back(entry.name);
  return names;
}

// The names separated by commas, the last two by conjunction: "a, b and c".
template <typename Names>
std::string Enumerated(const Names& names, const char* conjunction) {
  std::string text;
  for (std::size_t i = 0; i < std::size(names); ++i) {
    if (i > 0) text += i + 1 == std::size(names) ? std::string(" ") + conjunction + " " : ", ";
    text += names[i];
  }
  return text;
}

// The rule that IsSkippedCategory applies, for people.
std::string SkippedCategoryRule() {
  return Enumerated(kSkippedCategoryNames, "or") + ", or a name holding " +
         Enumerated(kSkippedCategoryMarks, "or");
}

// Edit distance of two names without regard to case.
std::size_t Distance(const std::string& a, const std::string& b) {
  const std::string x = platform::CharLowerBuffA(a), y = platform::CharLowerBuffA(b);
  std::vector<std::size_t> row(y.size() + 1);
  for (std::size_t j = 0; j <= y.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= x.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= y.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (x[i - 1] == y[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[y.size()];
}

template <typename Names>
std::string Nearest(const std::string& name, const Names& names) {
  std::string best;
  std::size_t best_distance = SIZE_MAX;
  for (const char* candidate : names) {
    if (*candidate == '\0') continue;
    const std::size_t distance = Distance(name, candidate);
    if (distance < best_distance) {
      best = candidate;
      best_distance = distance;
    }
  }
  return best;
}

bool IsElement(platform::XmlDocument& document, platform::XmlNode node) {
  return document.Type(node) == platform::XmlNodeType::kElement;
}

// What the element holds instead of one text: for a value read as the empty text.
std::string ContentKinds(platform::XmlDocument& document, platform::XmlNode node) {
  bool cdata = false, elements = false, other = false;
  const std::size_t count = document.ChildCount(node);
  for (std::size_t i = 0; i < count; ++i) {
    const platform::XmlNodeType type = document.Type(document.Child(node, i));
    cdata |= type == platform::XmlNodeType::kCData;
    elements |= type == platform::XmlNodeType::kElement;
    other |= type != platform::XmlNodeType::kCData && type != platform::XmlNodeType::kElement;
  }
  std::string kinds;
  const auto add = [&kinds](bool present, const char* what) {
    if (present) kinds += (kinds.empty() ? "" : " and ") + std::string(what);
  };
  add(cdata, "a CDATA section");
  add(elements, "child elements");
  add(other, count > 1 ? "more than one node" : "other content");
  return kinds;
}

// What a text the import cannot read as an integer is short of.
std::string IntegerFault(const std::string& text) {
  if (text.find_first_not_of(' ') == std::string::npos) return "it is empty";
  const std::size_t end = text.find_last_not_of(" \t\r\n");
  if (end + 1 < text.size() && ReadIntegerText(text.substr(0, end + 1))) {
    return "nothing may follow the number, not even a blank";
  }
  const std::size_t digits = text.find_first_not_of(" +-");
  const std::string rest = text.substr(digits == std::string::npos ? text.size() : digits);
  if (!rest.empty() &&
      std::all_of(rest.begin(), rest.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return "it is outside the signed 32-bit range";
  }
  return "it is no decimal number and no hexadecimal one behind $, 0x or x";
}

class CheckReceiver final : public DiscardingReceiver {
 public:
  explicit CheckReceiver(std::vector<Finding>& findings) : findings_(findings) {}

  bool products_seen() const { return products_seen_; }
  // Where the root element stood, once the walk has begun.
  const std::optional<Location>& root() const { return root_; }

  void WalkStarted(platform::XmlDocument& document, platform::XmlNode root) override {
    document_ = &document;
    where_.WalkStarted(document, root);
    root_ = where_.Root();
  }

  void ProductEntered(platform::XmlNode product) override {
    products_seen_ = true;
    where_.ProductEntered(product);
  }

  void ScopeEntered(platform::XmlNode scope, const std::string& name) override {
    where_.ScopeEntered(scope);
    if (IsComment(*document_, scope)) return;
    const Location at = where_.Locate(scope, WalkLevel::kProduct);
    if (!IsElement(*document_, scope)) {
      Add(at, "skipped-node", "text under the product element is not read");
    } else if (!FindDataScope(name)) {
      const std::vector<const char*> names = NamesOf(DataScopeNames);
      Add(at, "unknown-scope",
          "scope " + Quoted(AnsiToUtf8(name)) + " is none of " + Enumerated(names, "and") +
              " (names are case-sensitive): its values are imported " +
              GetDataScopeMeaning(GetDataScope(name)) + " (did you mean " +
              Quoted(Nearest(name, names)) + "?)");
    }
  }

  void CategoryEntered(platform::XmlNode category, const std::string& name) override {
    where_.CategoryEntered(category);
    if (category.handle == where_.scope().handle) return;
    const Location at = where_.Locate(category, WalkLevel::kScope);
    CheckCodePage(at, "category name", document_->Name(category));
    CheckUnderscores(at, "category name", NodeName(*document_, category), DecodeElementName, true);
    if (GetCategoryIndex(name) != cfgUnknown) return;
    Add(at, "unknown-category",
        "category " + Quoted(AnsiToUtf8(name)) + " matches no category name: its values go to " +
            Quoted(AnsiToUtf8(GetCategoryKeyPath(name))) + " (nearest name: " +
            Quoted(Nearest(name, PrefCategoryNames)) + ")" + TypeHint(category));
  }

  void ValueRead(platform::XmlNode value, const WalkValue& read) override {
    if (!IsElement(*document_, value)) return;
    const Location at = where_.Locate(value, WalkLevel::kCategory);
    CheckCodePage(at, "value name", document_->Name(value));
    CheckUnderscores(at, "value name", NodeName(*document_, value), DecodeElementName, true);
    const bool text_only = IsTextOnly(*document_, value);
    if (text_only) CheckCodePage(at, "value text", document_->Text(value));
    const ValueTypeRule* rule = FindValueType(read.type);
    if (!rule) return;
    if (!text_only && document_->ChildCount(value) > 0) {
      Add(at, "not-plain-text",
          "the value holds " + ContentKinds(*document_, value) + " instead of one plain text: " +
              "it is read as the empty text, written as " + rule->empty_text_gives);
      return;
    }
    // A text that is no integer writes what the empty text does.
    const auto unread = [&](const char* why) {
      return std::string(rule->name) + " text " + Quoted(AnsiToUtf8(read.text)) + " is " + why +
             "written as " + rule->empty_text_gives;
    };
    switch (rule->kind) {
      case ValueKind::kInteger:
        if (!ReadIntegerText(read.text)) {
          Add(at, "integer-text", unread("") + ": " + IntegerFault(read.text));
        }
        break;
      case ValueKind::kBoolean:
        if (!ReadIntegerText(read.text)) {
          Add(at, "boolean-text", unread("no integer and is ") + " (write 1 or 0)");
        }
        break;
      case ValueKind::kBinary:
        CheckOddBinary(at, read.text);
        break;
      case ValueKind::kString:
        CheckUnderscores(at, "string text", platform::WideToAnsi(document_->Text(value)),
                         DecodeValueText, false);
        break;
    }
  }

  void NodeSkipped(platform::XmlNode node, WalkSkip reason) override {
    switch (reason) {
      case WalkSkip::kCommentAtRoot:
        return;
      case WalkSkip::kTextOnlyAtRoot:
        return Add(where_.Locate(node, WalkLevel::kRoot), "skipped-node",
                   "an element holding only text under the root element is not read");
      case WalkSkip::kNotProduct:
        return Add(where_.Locate(node, WalkLevel::kRoot), "skipped-node",
                   IsElement(*document_, node)
                       ? "not a product element (" + AnsiToUtf8(ProductElementName()) +
                             ", in any case): not read"
                       : "not an element: not read");
      case WalkSkip::kTextOnlyInProduct:
        return Add(where_.Locate(node, WalkLevel::kProduct), "skipped-node",
                   "an element holding only text under the product element is not read");
      case WalkSkip::kCategoryWithoutChildren:
        if (IsComment(*document_, node)) return;
        return Add(
            where_.Locate(node, WalkLevel::kScope),
            IsElement(*document_, node) ? "empty-category" : "skipped-node",
            IsElement(*document_, node)
                ? "category element without children: nothing is opened or created" + TypeHint(node)
                : "text beside the categories is not read");
      case WalkSkip::kCategoryByName:
        return Add(where_.Locate(node, WalkLevel::kScope), "skipped-category",
                   "category " + Quoted(AnsiToUtf8(DecodeElementName(NodeName(*document_, node)))) +
                       " is never imported (" + SkippedCategoryRule() + ")");
      case WalkSkip::kUnusableType:
        return UnusableType(node);
      case WalkSkip::kRejectedBinary:
        return Add(where_.Locate(node, WalkLevel::kCategory), "binary-text",
                   "binary text " +
                       Quoted(AnsiToUtf8(DecodeValueText(ValueText(*document_, node)))) +
                       " is rejected and nothing is written: after its blanks are removed it "
                       "must be pairs of hexadecimal digits");
    }
  }

 private:
  void Add(const Location& at, const char* kind, const std::string& message) {
    findings_.push_back({at, kind, message});
  }

  // For a category element that carries a "type": it was meant as a value directly under the
  // scope, but only an element holding exactly one text is read as one.
  std::string TypeHint(platform::XmlNode category) const {
    if (!document_->Attribute(category, u"type")) return {};
    return "; it has a \"type\": a value directly under a scope must hold one plain text, or it "
           "is read as a category";
  }

  void CheckCodePage(const Location& at, const char* what, const std::u16string& text) {
    if (platform::AnsiToWide(platform::WideToAnsi(text)) == text) return;
    Add(at, "code-page",
        std::string(what) + " " + Quoted(platform::Utf16ToUtf8(text)) +
            " holds characters the ANSI code page lacks: they become a near character or \"?\" (" +
            Quoted(AnsiToUtf8(platform::WideToAnsi(text))) + ")");
  }

  // An underscore that the import turns into a space where that is not plainly meant: in a text
  // (which can hold a space itself) any, in a name (which cannot, so "_" is how it spells one)
  // one that makes two spaces in a row or a space at either end.
  void CheckUnderscores(const Location& at, const char* what, const std::string& written,
                        std::string (*decode)(std::string_view), bool name) {
    // Without the escapes of the format, which keep their "_" ("_0x24_" only in names).
    std::string escaped = written;
    for (const char* escape : {"_0x5B_", "_0x5D_", name ? "_0x24_" : "_0x5B_"}) {
      for (std::size_t found; (found = escaped.find(escape)) != std::string::npos;) {
        escaped.replace(found, 6, "x");
      }
    }
    const bool flagged = name ? escaped.starts_with('_') || escaped.ends_with('_') ||
                                    escaped.find("__") != std::string::npos
                              : escaped.find('_') != std::string::npos;
    if (!flagged) return;
    Add(at, "underscore",
        std::string(what) + " " + Quoted(AnsiToUtf8(written)) + " is imported as " +
            Quoted(AnsiToUtf8(decode(written))) + ": the import turns every \"_\" into a space" +
            (name ? ", so this name gets a space at either end or two in a row"
                  : ". Write a space where a space is meant; an underscore itself cannot be "
                    "imported, the document format has no escape for it (_0x5F_ is none: it "
                    "becomes \" 0x5F \")"));
  }

  // An accepted binary text of odd length: its last digit, or one character that is no digit,
  // is dropped.
  void CheckOddBinary(const Location& at, const std::string& text) {
    std::size_t characters = 0, digits = 0;
    for (const char c : text) {
      if (c == ' ') continue;
      ++characters;
      digits += std::isxdigit(static_cast<unsigned char>(c)) ? 1 : 0;
    }
    if (characters % 2 == 0) return;
    Add(at, "binary-text",
        "binary text " + Quoted(AnsiToUtf8(text)) + " has an odd number of characters: " +
            (digits == characters ? "its last digit is not used"
                                  : "its one character that is no hexadecimal digit is skipped"));
  }

  void UnusableType(platform::XmlNode node) {
    if (IsComment(*document_, node)) return;
    const Location at = where_.Locate(node, WalkLevel::kCategory);
    if (!IsElement(*document_, node))
      return Add(at, "skipped-node", "text beside the values is not read");
    const auto type = document_->Attribute(node, u"type");
    if (!type) return Add(at, "ignored-value", "the value has no \"type\": nothing is written");
    if (type->empty())
      return Add(at, "ignored-value", "the value's \"type\" is empty: nothing is written");
    const std::string written = platform::WideToAnsi(*type);
    const std::string lower = platform::CharLowerBuffA(written);
    const std::vector<const char*> names = NamesOf(kValueTypes);
    Add(at, "ignored-value",
        "type " + Quoted(platform::Utf16ToUtf8(*type)) + " is " +
            (FindValueType(lower) ? "written in the wrong case (types are " + Quoted(lower) + ")"
                                  : "none of " + Enumerated(names, "and") +
                                        " (nearest: " + Quoted(Nearest(written, names)) + ")") +
            ": nothing is written");
  }

  std::vector<Finding>& findings_;
  platform::XmlDocument* document_ = nullptr;
  WalkLocation where_;
  std::optional<Location> root_;
  bool products_seen_ = false;
};

}  // namespace

CheckReport CheckDocument(const std::string& path) {
  CheckReport report;
  CheckReceiver receiver(report.findings);
  report.outcome = LoadAndWalk(path, platform::DefaultXmlParser(), receiver);
  const Location document_level = receiver.root().value_or(Location{0, 0, "/"});
  switch (report.outcome.kind) {
    case WalkOutcome::Kind::kWalked:
      if (!receiver.products_seen()) {
        report.findings.push_back({document_level, "no-product",
                                   "no product element (" + AnsiToUtf8(ProductElementName()) +
                                       ") under the root: nothing is imported"});
      }
      break;
    case WalkOutcome::Kind::kRefused:
      report.findings.push_back(
          {document_level, "identity",
           "the document belongs to " + Quoted(AnsiToUtf8(report.outcome.text)) +
               ": the import refuses it (root element and DOCTYPE must both be " +
               platform::Utf16ToUtf8(kDocumentName) + ") and writes nothing"});
      break;
    case WalkOutcome::Kind::kFailed:
      report.findings.push_back({document_level, "identity",
                                 "the import stops with an error and writes nothing: " +
                                     AnsiToUtf8(report.outcome.text)});
      break;
    case WalkOutcome::Kind::kNotLoaded:
      break;
  }
  return report;
}

int CheckExitCode(const CheckReport& report) {
  if (report.outcome.kind == WalkOutcome::Kind::kNotLoaded) return 2;
  return report.findings.empty() ? 0 : 1;
}

}  // namespace regcorvex
