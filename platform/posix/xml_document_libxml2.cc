// libxml2 as the platform's DOM: no validation, the document's own entities expanded where they
// are referred to (within bounds), nothing outside the document ever read, white-space-only text
// dropped from the view.
// libxml2 parses; the tree is the program's own (XmlTree), built from libxml2's SAX2 events.
#include "platform/posix/xml_document_libxml2.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/code_page.h"
#include "platform/file_system.h"
#include "platform/posix/libxml2_parse_guard.h"
#include "platform/posix/xml_markup_cost.h"
#include "platform/posix/xml_start_tags.h"
#include "platform/posix/xml_tree.h"
#include "platform/posix/xml_tree_builder.h"
#include "platform/unique_handle.h"
#include "platform/utf8.h"

namespace platform {
namespace {

// The builder puts each expansion where its reference stands; libxml2 does not substitute
// (no NOENT), so that ParseGuard sees every expansion and no external entity is loaded. No
// network.
constexpr int kParseOptions = XML_PARSE_NONET;

struct DocTraits {
  using Handle = xmlDocPtr;
  static constexpr xmlDocPtr kEmpty = nullptr;
  void Close(xmlDocPtr document) const { xmlFreeDoc(document); }
};

struct ParserTraits {
  using Handle = xmlParserCtxtPtr;
  static constexpr xmlParserCtxtPtr kEmpty = nullptr;
  void Close(xmlParserCtxtPtr context) const { xmlFreeParserCtxt(context); }
};

std::string ToAnsi(std::string_view utf8) { return WideToAnsi(Utf8ToUtf16(utf8)); }

// The text of line (from 1) of the document's bytes, UTF-16 when it starts with a byte-order mark
// and UTF-8 otherwise (a line that is no UTF-8 is read in the ANSI code page).
std::u16string SourceLine(std::string_view bytes, int line) {
  if (line < 1) return {};
  std::u16string text;
  const bool little_endian = bytes.starts_with("\xFF\xFE");
  if (little_endian || bytes.starts_with("\xFE\xFF")) {
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      const auto low = static_cast<unsigned char>(bytes[little_endian ? i : i + 1]);
      const auto high = static_cast<unsigned char>(bytes[little_endian ? i + 1 : i]);
      text += static_cast<char16_t>(high << 8 | low);
    }
  } else {
    text = Utf8ToUtf16(bytes.substr(bytes.starts_with("\xEF\xBB\xBF") ? 3 : 0));
    if (text.find(u'\uFFFD') != std::u16string::npos &&
        bytes.find("\xEF\xBF\xBD") == std::string_view::npos) {
      text = AnsiToWide(bytes);
    }
  }
  std::size_t start = 0;
  for (int i = 1; i < line; ++i) {
    start = text.find(u'\n', start);
    if (start == std::u16string::npos) return {};
    ++start;
  }
  const std::size_t end = text.find_first_of(u"\r\n", start);
  return text.substr(start, std::min(end - start, XmlLoadError::kSourceTextLength));
}

// Refuses, before libxml2 reads it, a document whose markup would cost libxml2 far more than its
// size; fills defaults with the attribute defaults its DTD declares.
void CheckMarkupCost(std::string_view bytes, AttributeDefaults& defaults) {
  const std::size_t limit =
      MarkupLimits::kStepsPerCharacter * bytes.size() + MarkupLimits::kBaseSteps;
  const int line = DocumentMarkupCost(bytes, limit, defaults).over_at_line;
  if (line != 0) throw XmlLoadError(kMarkupLimitsReason, line, WideToAnsi(SourceLine(bytes, line)));
}

// The reason as one line, as MSXML gives it: libxml2 follows some of its messages with a line of
// the text they concern, which the error's source text already shows.
std::string FirstLine(std::string_view text) {
  text = text.substr(0, text.find('\n'));
  const std::size_t end = text.find_last_not_of(" \r");
  return std::string(text.substr(0, end == std::string_view::npos ? 0 : end + 1));
}

class Libxml2Document final : public XmlDocument {
 public:
  // files: where Load reads; a document only parsed from bytes needs none.
  explicit Libxml2Document(FileSystem* files = nullptr) : files_(files) {}

  // The file's bytes are let go once parsed: Position, which the import never asks, reads the
  // file again.
  void Load(const std::string& path) override {
    Parse(ReadXmlFile(*files_, path));
    path_ = path;
  }

  // A document parsed from bytes keeps them for Position.
  void ParseAndKeep(std::string_view bytes) {
    Parse(bytes);
    source_ = bytes;
  }

  XmlNode RootElement() override { return Wrap(tree_.root); }
  XmlNode Doctype() override { return Wrap(tree_.doctype); }

  std::u16string Name(XmlNode handle) override {
    const XmlTree::Node& node = Unwrap(handle);
    switch (node.type) {
      case XmlNodeType::kText:
        return u"#text";
      case XmlNodeType::kCData:
        return u"#cdata-section";
      case XmlNodeType::kComment:
        return u"#comment";
      default:
        return std::u16string(tree_.String(node.text));
    }
  }

  XmlNodeType Type(XmlNode handle) override { return Unwrap(handle).type; }

  std::size_t ChildCount(XmlNode node) override { return Unwrap(node).child_count; }

  XmlNode Child(XmlNode node, std::size_t index) override {
    const auto children = tree_.Children(Unwrap(node));
    return index < children.size() ? Wrap(children[index]) : XmlNode{};
  }

  std::optional<std::u16string> Attribute(XmlNode element, std::u16string_view name) override {
    for (const XmlTree::Attribute& attribute : tree_.Attributes(Unwrap(element))) {
      if (tree_.String(attribute.name) == name)
        return std::u16string(tree_.String(attribute.value));
    }
    return std::nullopt;
  }

  std::u16string Text(XmlNode node) override {
    const auto children = tree_.Children(Unwrap(node));
    if (children.empty()) return {};
    const XmlTree::Node& first = tree_.nodes[children.front()];
    return first.type == XmlNodeType::kText ? std::u16string(tree_.String(first.text))
                                            : std::u16string();
  }

  std::pair<int, int> Position(XmlNode handle) override {
    const XmlTree::Node& node = Unwrap(handle);
    if (columns_.empty()) columns_ = Columns();
    return {node.line, columns_[static_cast<std::size_t>(&node - tree_.nodes.data())]};
  }

 private:
  void Parse(std::string_view bytes) {
    InitialiseLibxml2();
    tree_ = XmlTree();
    columns_.clear();
    source_.clear();
    path_.clear();
    if (bytes.size() > static_cast<std::size_t>(INT_MAX))
      throw XmlLoadError("The document is too large.", 0, "");
    const UniqueHandle<ParserTraits> context(xmlNewParserCtxt());
    if (!context) throw std::bad_alloc();
    AttributeDefaults defaults;
    CheckMarkupCost(bytes, defaults);
    XmlTreeBuilder builder(context.get(), bytes.size());
    const ParseGuard guard(context.get(), builder, defaults, bytes.size());
    // libxml2's document holds no more than the DTD: the builder keeps the content.
    const UniqueHandle<DocTraits> document(xmlCtxtReadMemory(context.get(), bytes.data(),
                                                             static_cast<int>(bytes.size()),
                                                             nullptr, nullptr, kParseOptions));
    if (const auto& error = guard.error()) {
      throw XmlLoadError(ToAnsi(FirstLine(error->reason)), error->line,
                         WideToAnsi(SourceLine(bytes, error->line)));
    }
    XmlTree tree = builder.Finish();
    if (!document || context.get()->wellFormed == 0 || tree.root == XmlTree::kNone)
      throw XmlLoadError("The document could not be parsed.", 0, "");
    tree_ = std::move(tree);
    parsed_size_ = bytes.size();
  }

  XmlNode Wrap(std::uint32_t index) const {
    return index < tree_.nodes.size() ? XmlNode{&tree_.nodes[index]} : XmlNode{};
  }
  static const XmlTree::Node& Unwrap(XmlNode node) {
    return *static_cast<const XmlTree::Node*>(node.handle);
  }

  // The bytes parsed, read again from the file they came from; none when it changed size since.
  std::string Source() const {
    if (path_.empty()) return source_;
    try {
      std::string bytes = ReadXmlFile(*files_, path_);
      return bytes.size() == parsed_size_ ? bytes : std::string();
    } catch (const XmlLoadError&) {
      return {};
    }
  }

  // The column of every node: its start tag's for an element, 0 for others.
  std::vector<int> Columns() const {
    std::vector<std::uint32_t> indices;
    std::vector<ElementLine> elements;
    for (std::uint32_t i = 0; i < tree_.nodes.size(); ++i) {
      const XmlTree::Node& node = tree_.nodes[i];
      if (node.type != XmlNodeType::kElement) continue;
      indices.push_back(i);
      elements.push_back({Utf16ToUtf8(tree_.String(node.text)), node.line});
    }
    const std::vector<int> found = StartTagColumns(elements, Source());
    std::vector<int> columns(tree_.nodes.size(), 0);
    for (std::size_t i = 0; i < indices.size(); ++i) columns[indices[i]] = found[i];
    return columns;
  }

  FileSystem* files_;
  XmlTree tree_;
  std::string path_;    // the file loaded
  std::string source_;  // or the bytes parsed
  std::size_t parsed_size_ = 0;
  std::vector<int> columns_;  // by node, once Position is asked
};

}  // namespace

std::unique_ptr<XmlDocument> ParseXmlDocument(std::string_view bytes) {
  auto document = std::make_unique<Libxml2Document>();
  document->ParseAndKeep(bytes);
  return document;
}

std::unique_ptr<XmlParser> MakeXmlParser(FileSystem& files) {
  class Libxml2Parser final : public XmlParser {
   public:
    explicit Libxml2Parser(FileSystem& files) : files_(files) {}
    std::unique_ptr<XmlDocument> NewDocument() override {
      return std::make_unique<Libxml2Document>(&files_);
    }

   private:
    FileSystem& files_;
  };
  return std::make_unique<Libxml2Parser>(files);
}

}  // namespace platform
