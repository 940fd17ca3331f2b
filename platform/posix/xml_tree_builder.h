// Builds an XmlTree from the SAX2 events of one libxml2 parse, showing the document with its own
// entities resolved, as libxml2's tree shows it when it substitutes them: the nodes of a
// reference's expansion stand where the reference stands, adjacent text joined into one node
// (across expansions too), white-space-only text left out whatever xml:space says, adjacent CDATA
// sections joined as libxml2 joins them (never across the start or end of an expansion), the
// references in attribute values expanded, the attributes the DTD supplies by default, the lines
// libxml2 gives its nodes. The document's DTD (its entity declarations) is still built by
// libxml2's own callbacks. The parse must not substitute entities itself (no XML_PARSE_NOENT): the
// guard sees each expansion, and nothing outside the document is ever read.
#pragma once

#include <libxml/parser.h>

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/libxml2_parse_guard.h"
#include "platform/posix/xml_tree.h"

namespace platform {

class XmlTreeBuilder final : public ParseGuardClient {
 public:
  // Installs the builder's callbacks in context's SAX handler; source_size (the bytes to parse)
  // sizes the tree's storage. The builder and a ParseGuard for it must live for the parse.
  XmlTreeBuilder(xmlParserCtxtPtr context, std::size_t source_size);
  XmlTreeBuilder(const XmlTreeBuilder&) = delete;
  XmlTreeBuilder& operator=(const XmlTreeBuilder&) = delete;

  std::size_t EntityExpanding() override;

  // The tree built, once the parse has ended.
  XmlTree Finish();

 private:
  // An element not yet closed.
  struct Open {
    std::uint32_t node;
    std::size_t first_pending;  // its children so far are pending[first_pending...]
    int last_line;              // what libxml2 gives as the line of a CDATA section after the last
                                // child: that child's line, or the element's
    bool last_is_cdata;         // a CDATA section that the next one joins
  };

  static XmlTreeBuilder& Of(void* context);
  template <typename Work>
  static void Handle(void* context, Work work);
  static void StartElement(void* context, const xmlChar* local_name, const xmlChar* prefix,
                           const xmlChar* uri, int namespace_count, const xmlChar** namespaces,
                           int attribute_count, int defaulted_count, const xmlChar** attributes);
  static void EndElement(void* context, const xmlChar* local_name, const xmlChar* prefix,
                         const xmlChar* uri);
  static void Characters(void* context, const xmlChar* text, int length);
  static void CData(void* context, const xmlChar* text, int length);
  static void Comment(void* context, const xmlChar* text);
  static void ProcessingInstruction(void* context, const xmlChar* target, const xmlChar* data);
  static void Reference(void* context, const xmlChar* name);
  static void InternalSubset(void* context, const xmlChar* name, const xmlChar* external_id,
                             const xmlChar* system_id);
  static void AttributeDeclaration(void* context, const xmlChar* element, const xmlChar* name,
                                   int type, int default_kind, const xmlChar* default_value,
                                   xmlEnumerationPtr values);
  static void Enlarge(xmlHashTablePtr& table, xmlDictPtr dict, std::size_t& buckets);

  void AppendText(xmlParserCtxt& parser, std::string_view text);
  void FlushText();
  std::uint32_t AddNode(XmlNodeType type, XmlTree::Text text, int line);
  std::uint32_t AddChild(XmlNodeType type, XmlTree::Text text, int line);
  // Makes pending[first_pending...] the children of node, and no longer pending.
  void TakeChildren(std::uint32_t node, std::size_t first_pending);
  XmlTree::Text AddString(std::string_view utf8);
  XmlTree::Text AddName(const xmlChar* prefix, const xmlChar* local_name);
  XmlTree::Text Range(std::size_t offset) const;
  // Returns the length of the last defaulted attributes, which the DTD supplies, as it spells them.
  std::size_t AddAttributes(xmlParserCtxt& parser, std::uint32_t element, int count, int defaulted,
                            const xmlChar** attributes);
  bool IsDocument(const xmlParserCtxt& parser) const { return &parser == document_; }
  int LineOf(const xmlParserCtxt& parser) const;

  xmlParserCtxtPtr document_;
  XmlTree tree_;
  std::vector<Open> open_;
  std::vector<std::uint32_t> pending_;  // children of the open elements, in order
  // The buckets of the parser's tables of attribute defaults and types, once enlarged.
  std::size_t defaults_buckets_ = 0;
  std::size_t types_buckets_ = 0;
  std::string text_;  // UTF-8, not yet a node
  int text_line_ = 0;
  bool text_from_document_ = false;  // the last of text_ came from the document's own parse
  std::exception_ptr failure_;
};

}  // namespace platform
