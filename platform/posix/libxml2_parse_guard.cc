#include "platform/posix/libxml2_parse_guard.h"

#include <libxml/entities.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <malloc.h>

#include <vector>

#include "import/xml_document.h"

namespace regcorvex {
namespace {

// Refuses every external entity and DTD, for any parser in the process, so that not even a
// libxml2 path the guard does not foresee can read another file.
xmlParserInputPtr RefuseExternalEntity(const char*, const char*, xmlParserCtxtPtr) {
  return nullptr;
}

// The total length of the text in a list of sibling nodes and below them.
std::size_t TextLength(const xmlNode* first) {
  std::size_t length = 0;
  std::vector<const xmlNode*> pending{first};
  while (!pending.empty()) {
    const xmlNode* node = pending.back();
    pending.pop_back();
    for (; node != nullptr; node = node->next) {
      if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE)
        length += XmlText(node->content).size();
      else if (node->type == XML_ELEMENT_NODE && node->children != nullptr)
        pending.push_back(node->children);
    }
  }
  return length;
}

// The text that an expansion in content is appended to, and that libxml2 copies to do so.
std::size_t TrailingTextLength(const xmlNode* element) {
  const xmlNode* last = element != nullptr ? element->last : nullptr;
  return last != nullptr && last->type == XML_TEXT_NODE ? XmlText(last->content).size() : 0;
}

}  // namespace

void InitialiseLibxml2() {
  static const bool initialised = [] {
    xmlInitParser();
    xmlSetExternalEntityLoader(RefuseExternalEntity);
    // No fast bins: a tree's nodes then go back to the heap as they are freed, instead of waiting
    // in fast bins until the release of its dictionary merges them all at once, which took a
    // fifth of the import of a 100,000-value document (bench/run.sh).
    mallopt(M_MXFAST, 0);
    return true;
  }();
  static_cast<void>(initialised);
}

ParseGuard::ParseGuard(xmlParserCtxtPtr context)
    : context_(context),
      get_entity_(context->sax->getEntity),
      get_parameter_entity_(context->sax->getParameterEntity) {
  context->_private = this;
  context->sax->serror = OnError;
  context->sax->getEntity = GetEntity;
  context->sax->getParameterEntity = GetParameterEntity;
}

ParseGuard& ParseGuard::Of(void* context) {
  return *static_cast<ParseGuard*>(static_cast<xmlParserCtxtPtr>(context)->_private);
}

// Errors fail the load; so does a reference to an undeclared entity, which libxml2 only warns
// about when the document names an external DTD.
void ParseGuard::OnError(void* context, xmlErrorPtr error) {
  if (error->level < XML_ERR_ERROR && error->code != XML_WAR_UNDECLARED_ENTITY) return;
  ParseGuard& guard = Of(context);
  guard.Record(error->message != nullptr ? error->message : "Unknown error",
               context == guard.context_ ? error->line : guard.DocumentLine());
}

// An external entity is refused before libxml2's own look-up, which would try to load it.
xmlEntityPtr ParseGuard::GetEntity(void* context, const xmlChar* name) {
  auto* parser = static_cast<xmlParserCtxtPtr>(context);
  ParseGuard& guard = Of(context);
  const xmlEntityPtr declared =
      parser->myDoc != nullptr ? xmlGetDocEntity(parser->myDoc, name) : nullptr;
  if (declared != nullptr && declared->etype != XML_INTERNAL_GENERAL_ENTITY &&
      declared->etype != XML_INTERNAL_PREDEFINED_ENTITY) {
    return guard.Refuse(parser, "Reference to the external entity '" + std::string(XmlText(name)) +
                                    "' is not allowed.");
  }
  const xmlEntityPtr entity = guard.get_entity_(context, name);
  if (entity == nullptr || entity->etype == XML_INTERNAL_PREDEFINED_ENTITY) return entity;
  return guard.Count(parser, entity);
}

xmlEntityPtr ParseGuard::GetParameterEntity(void* context, const xmlChar* name) {
  auto* parser = static_cast<xmlParserCtxtPtr>(context);
  ParseGuard& guard = Of(context);
  const xmlEntityPtr declared =
      parser->myDoc != nullptr ? xmlGetParameterEntity(parser->myDoc, name) : nullptr;
  if (declared != nullptr && declared->etype != XML_INTERNAL_PARAMETER_ENTITY) {
    return guard.Refuse(parser, "Reference to the external parameter entity '" +
                                    std::string(XmlText(name)) + "' is not allowed.");
  }
  const xmlEntityPtr entity = guard.get_parameter_entity_(context, name);
  return entity != nullptr ? guard.Count(parser, entity) : nullptr;
}

// libxml2 refuses exponential expansion but not a long run of references into one text, which it
// joins by copying that text once per reference: XmlEntityLimits bounds both.
xmlEntityPtr ParseGuard::Count(xmlParserCtxtPtr parser, xmlEntityPtr entity) {
  const std::size_t length = ExpandedLength(entity);
  characters_ += length;
  work_ += length;
  if (parser->instate == XML_PARSER_CONTENT) work_ += TrailingTextLength(parser->node);
  if (characters_ <= XmlEntityLimits::kMaxCharacters && work_ <= XmlEntityLimits::kMaxWork)
    return entity;
  return Refuse(parser, kEntityLimitsReason);
}

// The length an entity's content takes once its own references are expanded; the raw length
// until libxml2 has parsed that content at the entity's first reference.
std::size_t ParseGuard::ExpandedLength(const xmlEntity* entity) {
  if (entity->children == nullptr) return static_cast<std::size_t>(entity->length);
  const auto known = expanded_lengths_.find(entity);
  if (known != expanded_lengths_.end()) return known->second;
  const std::size_t length = TextLength(entity->children);
  expanded_lengths_.emplace(entity, length);
  return length;
}

// The line the document's own parse has reached; errors inside an entity's content count there.
int ParseGuard::DocumentLine() const {
  return context_->input != nullptr ? context_->input->line : 0;
}

xmlEntityPtr ParseGuard::Refuse(xmlParserCtxtPtr parser, const std::string& reason) {
  Record(reason, DocumentLine());
  xmlStopParser(parser);
  if (parser != context_) xmlStopParser(context_);
  return nullptr;
}

void ParseGuard::Record(std::string_view reason, int line) {
  if (!error_) error_ = Error{std::string(reason), line};
}

}  // namespace regcorvex
