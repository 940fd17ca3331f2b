// libxml2 as the platform's DOM: no validation, the document's own entities expanded within
// bounds, nothing outside the document ever read, white-space-only text dropped from the view.
#include "platform/posix/xml_document_libxml2.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <climits>
#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <unordered_map>

#include "platform/code_page.h"
#include "platform/file_system.h"
#include "platform/posix/libxml2_parse_guard.h"
#include "platform/posix/utf8.h"
#include "platform/posix/wine_prefix.h"
#include "platform/posix/xml_start_tags.h"
#include "platform/unique_handle.h"

namespace regcorvex {
namespace {

// Entities expanded in place (NOENT), which ParseGuard keeps within bounds; no network.
constexpr int kParseOptions = XML_PARSE_NOENT | XML_PARSE_NONET;

constexpr char kFileNotFound[] = "The system cannot locate the object specified.";

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

std::string ToAnsi(std::string_view utf8) {
  return platform::WideToAnsi(platform::Utf8ToUtf16(utf8));
}

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
    text = platform::Utf8ToUtf16(bytes.substr(bytes.starts_with("\xEF\xBB\xBF") ? 3 : 0));
    if (text.find(u'\uFFFD') != std::u16string::npos &&
        bytes.find("\xEF\xBF\xBD") == std::string_view::npos) {
      text = platform::AnsiToWide(bytes);
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

std::string Trimmed(std::string_view text) {
  const std::size_t end = text.find_last_not_of(" \r\n");
  return std::string(text.substr(0, end == std::string_view::npos ? 0 : end + 1));
}

// The whole file that a Windows path names.
std::string ReadDocumentFile(const std::string& path) {
  platform::FileSystem& files = platform::DefaultFileSystem();
  std::string full(files.GetFullPathNameA(path.c_str(), 0, nullptr), '\0');
  const platform::Dword length =
      full.empty() ? 0
                   : files.GetFullPathNameA(path.c_str(), static_cast<platform::Dword>(full.size()),
                                            full.data());
  full.resize(length < full.size() ? length : 0);
  const auto unix_path = full.empty() ? std::nullopt : platform::WindowsToUnixPath(full);
  std::error_code error;
  if (!unix_path || !std::filesystem::is_regular_file(*unix_path, error))
    throw XmlLoadError(kFileNotFound, 0, "");
  std::ifstream file(*unix_path, std::ios::binary);
  std::string bytes(std::filesystem::file_size(*unix_path, error), '\0');
  if (!file.read(bytes.data(), static_cast<std::streamsize>(bytes.size())) || error)
    throw XmlLoadError(kFileNotFound, 0, "");
  return bytes;
}

bool IsBlank(const xmlNode* node) {
  return XmlText(node->content).find_first_not_of(" \t\r\n") == std::string_view::npos;
}

// The nodes that a DOM without preserved white space shows as children.
bool IsListed(const xmlNode* node) {
  switch (node->type) {
    case XML_TEXT_NODE:
      return !IsBlank(node);
    case XML_ELEMENT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_ENTITY_REF_NODE:
    case XML_PI_NODE:
    case XML_COMMENT_NODE:
    case XML_DTD_NODE:
      return true;
    default:
      return false;
  }
}

class Libxml2Document final : public XmlDocument {
 public:
  void Load(const std::string& path) override { Parse(ReadDocumentFile(path)); }

  void Parse(std::string bytes) {
    InitialiseLibxml2();
    document_.reset();
    children_.clear();
    ranges_.clear();
    columns_.reset();
    if (bytes.size() > static_cast<std::size_t>(INT_MAX))
      throw XmlLoadError("The document is too large.", 0, "");
    const platform::UniqueHandle<ParserTraits> context(xmlNewParserCtxt());
    if (!context) throw std::bad_alloc();
    const ParseGuard guard(context.get());
    platform::UniqueHandle<DocTraits> document(xmlCtxtReadMemory(context.get(), bytes.data(),
                                                                 static_cast<int>(bytes.size()),
                                                                 nullptr, nullptr, kParseOptions));
    if (const auto& error = guard.error()) {
      throw XmlLoadError(ToAnsi(Trimmed(error->reason)), error->line,
                         platform::WideToAnsi(SourceLine(bytes, error->line)));
    }
    if (!document || context.get()->wellFormed == 0 ||
        xmlDocGetRootElement(document.get()) == nullptr)
      throw XmlLoadError("The document could not be parsed.", 0, "");
    document_ = std::move(document);
    source_ = std::move(bytes);
  }

  XmlNode RootElement() override {
    return Wrap(document_ ? xmlDocGetRootElement(document_.get()) : nullptr);
  }

  XmlNode Doctype() override {
    return Wrap(document_ ? reinterpret_cast<const xmlNode*>(document_.get()->intSubset) : nullptr);
  }

  std::u16string Name(XmlNode handle) override {
    const xmlNode* node = Unwrap(handle);
    switch (node->type) {
      case XML_TEXT_NODE:
        return u"#text";
      case XML_CDATA_SECTION_NODE:
        return u"#cdata-section";
      case XML_COMMENT_NODE:
        return u"#comment";
      case XML_DOCUMENT_NODE:
        return u"#document";
      case XML_ELEMENT_NODE:
        if (node->ns != nullptr && node->ns->prefix != nullptr)
          return platform::Utf8ToUtf16(std::string(XmlText(node->ns->prefix)) + ":" +
                                       std::string(XmlText(node->name)));
        [[fallthrough]];
      default:
        return platform::Utf8ToUtf16(XmlText(node->name));
    }
  }

  XmlNodeType Type(XmlNode handle) override {
    const xmlNode* node = Unwrap(handle);
    if (node->type == XML_DTD_NODE) return XmlNodeType::kDocumentType;
    // Every other node this document hands out is of a kind whose number both enumerations share.
    return static_cast<XmlNodeType>(node->type);
  }

  std::size_t ChildCount(XmlNode node) override { return Children(Unwrap(node)).count; }

  XmlNode Child(XmlNode node, std::size_t index) override {
    const ChildRange range = Children(Unwrap(node));
    return index < range.count ? Wrap(children_[range.first + index]) : XmlNode{};
  }

  std::optional<std::u16string> Attribute(XmlNode element, std::u16string_view name) override {
    const xmlNode* node = Unwrap(element);
    if (node->type != XML_ELEMENT_NODE) return std::nullopt;
    const std::string wanted = platform::Utf16ToUtf8(name);
    for (const xmlAttr* attribute = node->properties; attribute != nullptr;
         attribute = attribute->next) {
      if (QualifiedName(attribute) != wanted) continue;
      std::string value;
      for (const xmlNode* part = attribute->children; part != nullptr; part = part->next) {
        if (part->type == XML_TEXT_NODE) value += XmlText(part->content);
      }
      return platform::Utf8ToUtf16(value);
    }
    return std::nullopt;
  }

  std::u16string Text(XmlNode node) override {
    const XmlNode first = Child(node, 0);
    const xmlNode* text = first ? Unwrap(first) : nullptr;
    return text != nullptr && text->type == XML_TEXT_NODE
               ? platform::Utf8ToUtf16(XmlText(text->content))
               : std::u16string();
  }

  std::pair<int, int> Position(XmlNode handle) override {
    const xmlNode* node = Unwrap(handle);
    if (!columns_) columns_ = StartTagColumns(xmlDocGetRootElement(document_.get()), source_);
    const auto column = columns_->find(node);
    return {static_cast<int>(std::max(xmlGetLineNo(node), 0L)),
            column != columns_->end() ? column->second : 0};
  }

 private:
  struct ChildRange {
    std::size_t first;
    std::size_t count;
  };

  static XmlNode Wrap(const xmlNode* node) { return XmlNode{node}; }
  static const xmlNode* Unwrap(XmlNode node) { return static_cast<const xmlNode*>(node.handle); }

  static std::string QualifiedName(const xmlAttr* attribute) {
    std::string name(XmlText(attribute->name));
    if (attribute->ns != nullptr && attribute->ns->prefix != nullptr)
      name = std::string(XmlText(attribute->ns->prefix)) + ":" + name;
    return name;
  }

  // The listed children of an element or of the document, collected once into one shared deque.
  // The node's _private, which libxml2 leaves to the application, points at its range.
  ChildRange Children(const xmlNode* node) {
    if (node->_private != nullptr) return *static_cast<const ChildRange*>(node->_private);
    ChildRange& range = ranges_.emplace_back(ChildRange{children_.size(), 0});
    if (node->type == XML_ELEMENT_NODE || node->type == XML_DOCUMENT_NODE) {
      for (const xmlNode* child = node->children; child != nullptr; child = child->next) {
        if (IsListed(child)) children_.push_back(child);
      }
    }
    range.count = children_.size() - range.first;
    const_cast<xmlNode*>(node)->_private = &range;
    return range;
  }

  platform::UniqueHandle<DocTraits> document_;
  std::string source_;  // the bytes parsed, for Position
  std::optional<std::unordered_map<const xmlNode*, int>> columns_;
  std::deque<const xmlNode*> children_;  // grows without moving, as ranges_ does
  std::deque<ChildRange> ranges_;        // stable addresses for the nodes' _private
};

}  // namespace

std::unique_ptr<XmlDocument> ParseXmlDocument(std::string_view bytes) {
  auto document = std::make_unique<Libxml2Document>();
  document->Parse(std::string(bytes));
  return document;
}

std::unique_ptr<XmlDocument> CreateXmlDocument() { return std::make_unique<Libxml2Document>(); }

}  // namespace regcorvex
