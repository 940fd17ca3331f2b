// Builds an XmlTree from the SAX2 events of one libxml2 parse, showing what libxml2's own tree
// of the document would show: adjacent text joined into one node (across entity expansions too),
// white-space-only text left out, adjacent CDATA sections joined as libxml2 joins them, no
// attribute that only the DTD supplies, the lines libxml2 gives its nodes. The document's DTD
// (its entity declarations) is still built by libxml2's own callbacks.
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

namespace regcorvex {

class XmlTreeBuilder final : public ParseGuardClient {
 public:
  // Installs the builder's callbacks in context's SAX handler; source_size (the bytes to parse)
  // sizes the tree's storage. The builder and a ParseGuard for it must live for the parse.
  XmlTreeBuilder(xmlParserCtxtPtr context, std::size_t source_size);
  XmlTreeBuilder(const XmlTreeBuilder&) = delete;
  XmlTreeBuilder& operator=(const XmlTreeBuilder&) = delete;

  std::size_t EntityExpanding(const xmlParserCtxt& parser) override;

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
  // An entity expansion under way: libxml2 builds its nodes apart and adds them to the element
  // it is expanded in, so the first node of an expansion joins no CDATA before it.
  struct Expansion {
    int parent_depth;   // the xmlParserCtxt::depth of the parse that met the reference
    std::size_t level;  // open.size() when it began
    bool empty;
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
  static void InternalSubset(void* context, const xmlChar* name, const xmlChar* external_id,
                             const xmlChar* system_id);

  void EndExpansions(const xmlParserCtxt& parser);
  // Called at each event that makes a node: ends the expansions that are over and tells whether
  // this node is the first of the current expansion.
  bool Enter(const xmlParserCtxt& parser);
  void AppendText(xmlParserCtxt& parser, std::string_view text);
  void FlushText();
  std::uint32_t AddNode(XmlNodeType type, XmlTree::Text text, int line);
  std::uint32_t AddChild(XmlNodeType type, XmlTree::Text text, int line);
  XmlTree::Text AddString(std::string_view utf8);
  XmlTree::Text AddName(const xmlChar* prefix, const xmlChar* local_name);
  XmlTree::Text Range(std::size_t offset) const;
  void AddAttributes(std::uint32_t element, int count, const xmlChar** attributes);
  bool IsDocument(const xmlParserCtxt& parser) const { return &parser == document_; }
  int LineOf(const xmlParserCtxt& parser) const;

  xmlParserCtxtPtr document_;
  XmlTree tree_;
  std::vector<Open> open_;
  std::vector<std::uint32_t> pending_;  // children of the open elements, in order
  std::vector<Expansion> expansions_;
  std::string text_;  // UTF-8, not yet a node
  int text_line_ = 0;
  bool text_from_document_ = false;  // the last of text_ came from the document's own parse
  std::exception_ptr failure_;
};

}  // namespace regcorvex
