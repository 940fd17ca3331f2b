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

std::string_view Utf8(const xmlChar* text, std::size_t length) {
  return {reinterpret_cast<const char*>(text), length};
}

struct XmlStringTraits {
  using Handle = xmlChar*;
  static constexpr xmlChar* kEmpty = nullptr;
  void Close(xmlChar* text) const { xmlFree(text); }
};

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
  // Reserved, not touched: names and text take at most one UTF-16 unit a byte of the source, and
  // a node takes some 30 bytes of it.
  tree_.strings.reserve(source_size);
  tree_.nodes.reserve(source_size / 32);
  tree_.children.reserve(source_size / 32);
}

XmlTreeBuilder& XmlTreeBuilder::Of(void* context) {
  return static_cast<XmlTreeBuilder&>(ParseGuard::Of(context).client());
}

// The reference's expansion starts nodes of its own: the text before it ends, and a CDATA section
// in it joins none before it.
std::size_t XmlTreeBuilder::EntityExpanding(const xmlParserCtxt& parser, const xmlChar* name) {
  const std::size_t text_before = text_.size();
  EndExpansions(parser);
  FlushText();
  if (!open_.empty()) open_.back().last_is_cdata = false;
  expansions_.push_back({parser.depth, name, pending_.size()});
  return text_before;
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
                                  const xmlChar*, int, const xmlChar**, int attribute_count, int,
                                  const xmlChar** attributes) {
  Handle(context, [&](xmlParserCtxt& parser, XmlTreeBuilder& builder) {
    builder.FlushText();
    builder.EndExpansions(parser);
    const int line = builder.LineOf(parser);
    const std::uint32_t node =
        builder.AddChild(XmlNodeType::kElement, builder.AddName(prefix, local_name), line);
    if (builder.open_.empty() && builder.tree_.root == XmlTree::kNone) builder.tree_.root = node;
    // The attributes that only the DTD supplies come last; MSXML shows them too, as the document
    // gave them.
    builder.AddAttributes(parser, node, attribute_count, attributes);
    builder.open_.push_back(
        {node, builder.pending_.size(), line, false, builder.KeepsWhiteSpace(node)});
  });
}

void XmlTreeBuilder::EndElement(void* context, const xmlChar*, const xmlChar*, const xmlChar*) {
  Handle(context, [](xmlParserCtxt& parser, XmlTreeBuilder& builder) {
    builder.FlushText();
    builder.EndExpansions(parser);
    if (builder.open_.empty()) return;
    const Open open = builder.open_.back();
    builder.open_.pop_back();
    builder.TakeChildren(open.node, open.first_pending);
  });
}

void XmlTreeBuilder::Characters(void* context, const xmlChar* text, int length) {
  Handle(context, [&](xmlParserCtxt& parser, XmlTreeBuilder& builder) {
    if (builder.open_.empty()) return;
    builder.EndExpansions(parser);
    builder.AppendText(parser, Utf8(text, static_cast<std::size_t>(length)));
  });
}

// libxml2 joins a CDATA section to the one just before it. The section's text is never shown, so
// only its node is kept.
void XmlTreeBuilder::CData(void* context, const xmlChar*, int) {
  Handle(context, [](xmlParserCtxt& parser, XmlTreeBuilder& builder) {
    if (builder.open_.empty()) return;
    builder.FlushText();
    builder.EndExpansions(parser);
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
    builder.EndExpansions(parser);
    builder.AddChild(XmlNodeType::kComment, {}, builder.LineOf(parser));
  });
}

void XmlTreeBuilder::ProcessingInstruction(void* context, const xmlChar* target, const xmlChar*) {
  Handle(context, [&](xmlParserCtxt& parser, XmlTreeBuilder& builder) {
    if (builder.open_.empty()) return;
    builder.FlushText();
    builder.EndExpansions(parser);
    const XmlTree::Text name = builder.AddString(XmlText(target));
    builder.AddChild(XmlNodeType::kProcessingInstruction, name, builder.LineOf(parser));
  });
}

// The end of a reference's expansion in content: its nodes become the children of the reference's
// own node. libxml2 calls this at the depth that met the reference, once the expansion is parsed.
void XmlTreeBuilder::Reference(void* context, const xmlChar* name) {
  Handle(context, [&](xmlParserCtxt& parser, XmlTreeBuilder& builder) {
    builder.FlushText();
    auto& expansions = builder.expansions_;
    while (!expansions.empty() && expansions.back().depth > parser.depth) expansions.pop_back();
    if (builder.open_.empty() || expansions.empty() || expansions.back().name != name) return;
    const std::size_t first = expansions.back().first_pending;
    expansions.pop_back();
    const int line = builder.LineOf(parser);
    const std::uint32_t node =
        builder.AddNode(XmlNodeType::kEntityReference, builder.AddString(XmlText(name)), line);
    builder.TakeChildren(node, first);
    builder.pending_.push_back(node);
    Open& parent = builder.open_.back();
    parent.last_line = line;
    parent.last_is_cdata = false;
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

// libxml2 numbers the lines of the document's own nodes, not those of an entity's content.
int XmlTreeBuilder::LineOf(const xmlParserCtxt& parser) const {
  return IsDocument(parser) && parser.input != nullptr ? std::min(parser.input->line, kLastKeptLine)
                                                       : 0;
}

void XmlTreeBuilder::EndExpansions(const xmlParserCtxt& parser) {
  while (!expansions_.empty() && expansions_.back().depth >= parser.depth) expansions_.pop_back();
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

// Ends the text so far: a node unless it is only white space, a line for a CDATA section after it
// either way.
void XmlTreeBuilder::FlushText() {
  if (text_.empty()) return;
  if (IsBlank(text_) && !open_.back().keeps_white_space) {
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

// As MSXML loads without preserveWhiteSpace: "preserve" or "default" in the element's xml:space
// decide for its content, which otherwise follows the element's parent.
bool XmlTreeBuilder::KeepsWhiteSpace(std::uint32_t element) const {
  for (const XmlTree::Attribute& attribute : tree_.Attributes(tree_.nodes[element])) {
    if (tree_.String(attribute.name) != u"xml:space") continue;
    if (tree_.String(attribute.value) == u"preserve") return true;
    if (tree_.String(attribute.value) == u"default") return false;
  }
  return !open_.empty() && open_.back().keeps_white_space;
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
void XmlTreeBuilder::AddAttributes(xmlParserCtxt& parser, std::uint32_t element, int count,
                                   const xmlChar** attributes) {
  XmlTree::Node& node = tree_.nodes[element];
  node.first_attribute = static_cast<std::uint32_t>(tree_.attributes.size());
  node.attribute_count = static_cast<std::uint32_t>(std::max(count, 0));
  for (int i = 0; i < count; ++i) {
    const xmlChar* const* attribute = attributes + 5 * i;
    const auto length = static_cast<std::size_t>(attribute[4] - attribute[3]);
    const XmlTree::Text name = AddName(attribute[1], attribute[0]);
    std::string_view value = Utf8(attribute[3], length);
    const UniqueHandle<XmlStringTraits> expanded(
        value.find('&') == std::string_view::npos
            ? nullptr
            : xmlStringLenDecodeEntities(&parser, attribute[3], static_cast<int>(length),
                                         XML_SUBSTITUTE_REF, 0, 0, 0));
    if (expanded) value = XmlText(expanded.get());
    tree_.attributes.push_back({name, AddString(value)});
  }
}

}  // namespace platform
