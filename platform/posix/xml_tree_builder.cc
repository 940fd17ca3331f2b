#include "platform/posix/xml_tree_builder.h"

#include <libxml/SAX2.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>

#include <algorithm>
#include <climits>
#include <exception>
#include <stdexcept>

#include "platform/unique_handle.h"
#include "platform/utf8.h"

namespace platform {
namespace {

// libxml2 keeps a node's line in 16 bits: a line past the last it can hold reads as that one.
constexpr int kLastKeptLine = USHRT_MAX;

// The buckets libxml2 gives its tables of attribute defaults and types.
constexpr std::size_t kTableBuckets = 10;

std::string_view Utf8(const xmlChar* text, std::size_t length) {
  return {reinterpret_cast<const char*>(text), length};
}

struct XmlStringTraits {
  using Handle = xmlChar*;
  static constexpr xmlChar* kEmpty = nullptr;
  void Close(xmlChar* text) const { xmlFree(text); }
};

// UTF-16 code units of UTF-8 text: one a character, two beyond U+FFFF.
std::size_t Utf16Length(std::string_view utf8) {
  std::size_t units = 0;
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    units += ((byte & 0xC0) != 0x80 ? 1 : 0) + (byte >= 0xF0 ? 1 : 0);
  }
  return units;
}

bool IsBlank(std::string_view text) {
  return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

}  // namespace

XmlTreeBuilder::XmlTreeBuilder(xmlParserCtxtPtr context, std::size_t source_size)
    : document_(context) {
  xmlSAXHandler& sax = *context->sax;
  sax.startElement = nullptr;
  sax.endElement = nullptr;
  sax.reference = Reference;
  sax.startElementNs = StartElement;
  sax.endElementNs = EndElement;
  sax.characters = Characters;
  sax.ignorableWhitespace = Characters;
  sax.cdataBlock = CData;
  sax.comment = Comment;
  sax.processingInstruction = ProcessingInstruction;
  sax.internalSubset = InternalSubset;
  sax.attributeDecl = AttributeDeclaration;
  // Reserved, not touched: names and text take at most one UTF-16 unit a byte of the source, and
  // a node takes some 30 bytes of it.
  tree_.strings.reserve(source_size);
  tree_.nodes.reserve(source_size / 32);
  tree_.children.reserve(source_size / 32);
}

XmlTreeBuilder& XmlTreeBuilder::Of(void* context) {
  return static_cast<XmlTreeBuilder&>(ParseGuard::Of(context).client());
}

// The expansion's text continues the text before the reference; a CDATA section in it joins none
// before it.
std::size_t XmlTreeBuilder::EntityExpanding() {
  if (!open_.empty()) open_.back().last_is_cdata = false;
  return text_.size();
}

XmlTree XmlTreeBuilder::Finish() {
  if (failure_) std::rethrow_exception(failure_);
  return std::move(tree_);
}

// Runs one event's work; an exception (running out of memory) stops the parse and waits for
// Finish, as it must not pass through libxml2.
template <typename Work>
void XmlTreeBuilder::Handle(void* context, Work work) {
  auto* parser = static_cast<xmlParserCtxtPtr>(context);
  XmlTreeBuilder& builder = Of(context);
  try {
    work(*parser, builder);
  } catch (...) {
    builder.failure_ = std::current_exception();
    xmlStopParser(parser);
    if (!builder.IsDocument(*parser)) xmlStopParser(builder.document_);
  }
}

void XmlTreeBuilder::StartElement(void* context, const xmlChar* local_name, const xmlChar* prefix,
                                  const xmlChar*, int, const xmlChar**, int attribute_count,
                                  int defaulted_count, const xmlChar** attributes) {
  Handle(context, [&](xmlParserCtxt& parser, XmlTreeBuilder& builder) {
    builder.FlushText();
    const int line = builder.LineOf(parser);
    const std::uint32_t node =
        builder.AddChild(XmlNodeType::kElement, builder.AddName(prefix, local_name), line);
    if (builder.open_.empty() && builder.tree_.root == XmlTree::kNone) builder.tree_.root = node;
    // The attributes that only the DTD supplies come last; MSXML shows them too, as the document
    // gave them.
    const std::size_t defaults =
        builder.AddAttributes(parser, node, attribute_count, defaulted_count, attributes);
    if (defaults > 0) ParseGuard::Of(&parser).CountDefaults(&parser, defaults);
    builder.open_.push_back({node, builder.pending_.size(), line, false});
  });
}

void XmlTreeBuilder::EndElement(void* context, const xmlChar*, const xmlChar*, const xmlChar*) {
  Handle(context, [](xmlParserCtxt&, XmlTreeBuilder& builder) {
    builder.FlushText();
    if (builder.open_.empty()) return;
    const Open open = builder.open_.back();
    builder.open_.pop_back();
    builder.TakeChildren(open.node, open.first_pending);
  });
}

void XmlTreeBuilder::Characters(void* context, const xmlChar* text, int length) {
  Handle(context, [&](xmlParserCtxt& parser, XmlTreeBuilder& builder) {
    if (builder.open_.empty()) return;
    builder.AppendText(parser, Utf8(text, static_cast<std::size_t>(length)));
  });
}

// libxml2 joins a CDATA section to the one just before it. The section's text is never shown, so
// only its node is kept.
void XmlTreeBuilder::CData(void* context, const xmlChar*, int) {
  Handle(context, [](xmlParserCtxt&, XmlTreeBuilder& builder) {
    if (builder.open_.empty()) return;
    builder.FlushText();
    Open& parent = builder.open_.back();
    if (parent.last_is_cdata) return;
    builder.AddChild(XmlNodeType::kCData, {}, parent.last_line);
  });
}

// A comment's text is never shown, so only its node is kept.
void XmlTreeBuilder::Comment(void* context, const xmlChar*) {
  Handle(context, [](xmlParserCtxt& parser, XmlTreeBuilder& builder) {
    if (builder.open_.empty()) return;
    builder.FlushText();
    builder.AddChild(XmlNodeType::kComment, {}, builder.LineOf(parser));
  });
}

void XmlTreeBuilder::ProcessingInstruction(void* context, const xmlChar* target, const xmlChar*) {
  Handle(context, [&](xmlParserCtxt& parser, XmlTreeBuilder& builder) {
    if (builder.open_.empty()) return;
    builder.FlushText();
    const XmlTree::Text name = builder.AddString(XmlText(target));
    builder.AddChild(XmlNodeType::kProcessingInstruction, name, builder.LineOf(parser));
  });
}

// The end of a reference's expansion in content, which libxml2 reports once the expansion is
// parsed: a CDATA section after it joins none in it.
void XmlTreeBuilder::Reference(void* context, const xmlChar*) {
  Handle(context, [](xmlParserCtxt&, XmlTreeBuilder& builder) {
    if (!builder.open_.empty()) builder.open_.back().last_is_cdata = false;
  });
}

// libxml2's own callback keeps the DTD, which holds the document's entity declarations.
void XmlTreeBuilder::InternalSubset(void* context, const xmlChar* name, const xmlChar* external_id,
                                    const xmlChar* system_id) {
  xmlSAX2InternalSubset(context, name, external_id, system_id);
  Handle(context, [&](xmlParserCtxt&, XmlTreeBuilder& builder) {
    builder.tree_.doctype =
        builder.AddNode(XmlNodeType::kDocumentType, builder.AddString(XmlText(name)), 0);
  });
}

// libxml2 keeps the attribute defaults of each element name, and the type of each attribute
// declared, in two tables of the parser that it makes with 10 buckets and never enlarges past a
// few thousand (the defaults' table not at all: it adds to it through xmlHashUpdateEntry2), so that
// a document declaring attributes for many element names takes time in the square of their number:
// each declaration and each start tag looks its element up along ever longer chains. Each table is
// made anew at four times the size whenever it holds twice as many entries as buckets, before
// libxml2 adds the declaration to it.
void XmlTreeBuilder::AttributeDeclaration(void* context, const xmlChar* element,
                                          const xmlChar* name, int type, int default_kind,
                                          const xmlChar* default_value, xmlEnumerationPtr values) {
  xmlSAX2AttributeDecl(context, element, name, type, default_kind, default_value, values);
  auto* parser = static_cast<xmlParserCtxtPtr>(context);
  XmlTreeBuilder& builder = Of(context);
  Enlarge(parser->attsDefault, parser->dict, builder.defaults_buckets_);
  Enlarge(parser->attsSpecial, parser->dict, builder.types_buckets_);
}

// table's entries are keyed by two names; buckets is what the builder knows of its size.
void XmlTreeBuilder::Enlarge(xmlHashTablePtr& table, xmlDictPtr dict, std::size_t& buckets) {
  if (table == nullptr) return;
  if (buckets == 0) buckets = kTableBuckets;
  const auto held = static_cast<std::size_t>(std::max(xmlHashSize(table), 0));
  if (held < 2 * buckets) return;
  const xmlHashTablePtr larger =
      xmlHashCreateDict(static_cast<int>(std::min<std::size_t>(4 * held, INT_MAX)), dict);
  if (larger == nullptr) return;
  struct Copy {
    xmlHashTablePtr table;
    bool complete;
  } copy{larger, true};
  xmlHashScanFull(
      table,
      [](void* payload, void* data, const xmlChar* first, const xmlChar* second, const xmlChar*) {
        auto& into = *static_cast<Copy*>(data);
        if (xmlHashAddEntry2(into.table, first, second, payload) != 0) into.complete = false;
      },
      &copy);
  // The entries belong to whichever table is kept.
  if (!copy.complete) {
    xmlHashFree(larger, nullptr);
    return;
  }
  xmlHashFree(table, nullptr);
  table = larger;
  buckets = 4 * held;
}

// libxml2 numbers the lines of the document's own nodes, not those of an entity's content.
int XmlTreeBuilder::LineOf(const xmlParserCtxt& parser) const {
  return IsDocument(parser) && parser.input != nullptr ? std::min(parser.input->line, kLastKeptLine)
                                                       : 0;
}

// Text joins the text before it. libxml2 refuses to grow one text node of the document past
// XML_MAX_TEXT_LENGTH, except by an entity's expansion or the text right after one.
void XmlTreeBuilder::AppendText(xmlParserCtxt& parser, std::string_view text) {
  const bool from_document = IsDocument(parser);
  if (text_.empty()) {
    text_line_ = LineOf(parser);
  } else if (from_document && text_from_document_ &&
             text_.size() + text.size() > XML_MAX_TEXT_LENGTH) {
    ParseGuard::Of(&parser).Fail(&parser, "xmlSAX2Characters: huge text node");
    return;
  }
  text_.append(text);
  text_from_document_ = from_document;
}

// Ends the text so far: a node unless it is only white space (xml:space="preserve" included, as the
// document is loaded without preserving white space), a line for a CDATA section after it either
// way.
void XmlTreeBuilder::FlushText() {
  if (text_.empty()) return;
  if (IsBlank(text_)) {
    Open& parent = open_.back();
    parent.last_line = text_line_;
    parent.last_is_cdata = false;
  } else {
    AddChild(XmlNodeType::kText, AddString(text_), text_line_);
  }
  text_.clear();
}

std::uint32_t XmlTreeBuilder::AddNode(XmlNodeType type, XmlTree::Text text, int line) {
  const auto index = static_cast<std::uint32_t>(tree_.nodes.size());
  XmlTree::Node& node = tree_.nodes.emplace_back();
  node.text = text;
  node.line = line;
  node.type = type;
  return index;
}

void XmlTreeBuilder::TakeChildren(std::uint32_t node, std::size_t first_pending) {
  XmlTree::Node& parent = tree_.nodes[node];
  parent.first_child = static_cast<std::uint32_t>(tree_.children.size());
  parent.child_count = static_cast<std::uint32_t>(pending_.size() - first_pending);
  tree_.children.insert(tree_.children.end(),
                        pending_.begin() + static_cast<std::ptrdiff_t>(first_pending),
                        pending_.end());
  pending_.resize(first_pending);
}

std::uint32_t XmlTreeBuilder::AddChild(XmlNodeType type, XmlTree::Text text, int line) {
  const std::uint32_t index = AddNode(type, text, line);
  if (!open_.empty()) {
    pending_.push_back(index);
    Open& parent = open_.back();
    const bool cdata = type == XmlNodeType::kCData;
    parent.last_line = cdata ? tree_.nodes[parent.node].line : line;
    parent.last_is_cdata = cdata;
  }
  return index;
}

XmlTree::Text XmlTreeBuilder::AddString(std::string_view utf8) {
  const std::size_t offset = tree_.strings.size();
  AppendUtf8AsUtf16(tree_.strings, utf8);
  return Range(offset);
}

XmlTree::Text XmlTreeBuilder::AddName(const xmlChar* prefix, const xmlChar* local_name) {
  const std::size_t offset = tree_.strings.size();
  if (prefix != nullptr) {
    AppendUtf8AsUtf16(tree_.strings, XmlText(prefix));
    tree_.strings.push_back(u':');
  }
  AppendUtf8AsUtf16(tree_.strings, XmlText(local_name));
  return Range(offset);
}

XmlTree::Text XmlTreeBuilder::Range(std::size_t offset) const {
  if (tree_.strings.size() > XmlTree::kNone) throw std::length_error("document text too long");
  return {static_cast<std::uint32_t>(offset),
          static_cast<std::uint32_t>(tree_.strings.size() - offset)};
}

// Each attribute is five pointers: local name, prefix, namespace, value and its end. A value keeps
// its references to the document's entities (and "&#38;" for an ampersand), which are expanded as
// libxml2's own tree expands them. IDs are not checked: the document is loaded without validation,
// so an ID given twice or an xml:id that is no NCName is an attribute like any other.
std::size_t XmlTreeBuilder::AddAttributes(xmlParserCtxt& parser, std::uint32_t element, int count,
                                          int defaulted, const xmlChar** attributes) {
  std::size_t defaults_length = 0;
  XmlTree::Node& node = tree_.nodes[element];
  node.first_attribute = static_cast<std::uint32_t>(tree_.attributes.size());
  node.attribute_count = static_cast<std::uint32_t>(std::max(count, 0));
  for (int i = 0; i < count; ++i) {
    const xmlChar* const* attribute = attributes + 5 * i;
    const auto length = static_cast<std::size_t>(attribute[4] - attribute[3]);
    const XmlTree::Text name = AddName(attribute[1], attribute[0]);
    std::string_view value = Utf8(attribute[3], length);
    if (i >= count - defaulted) defaults_length += name.length + Utf16Length(value);
    const UniqueHandle<XmlStringTraits> expanded(
        value.find('&') == std::string_view::npos
            ? nullptr
            : xmlStringLenDecodeEntities(&parser, attribute[3], static_cast<int>(length),
                                         XML_SUBSTITUTE_REF, 0, 0, 0));
    if (expanded) value = XmlText(expanded.get());
    tree_.attributes.push_back({name, AddString(value)});
  }
  return defaults_length;
}

}  // namespace platform
