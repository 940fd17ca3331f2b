#include "platform/posix/libxml2_parse_guard.h"

#include <libxml/entities.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <string>
#include <string_view>

#include "platform/xml_document.h"

namespace platform {
namespace {

// Refuses every external entity and DTD, for any parser in the process, so that not even a
// libxml2 path the guard does not foresee can read another file.
xmlParserInputPtr RefuseExternalEntity(const char*, const char*, xmlParserCtxtPtr) {
  return nullptr;
}

void Silent(void*, const char*, ...) {}

// The length of the text an entity's replacement text yields itself: what lies outside markup
// (in CDATA sections too) and outside references to other entities, which count when they are
// expanded in turn. Character references are already replaced in it; references to the
// predefined entities count as the one character each stands for.
std::size_t OwnTextLength(std::string_view content) {
  std::size_t length = 0;
  std::size_t at = 0;
  const auto skip_past = [&](std::string_view end) {
    const std::size_t found = content.find(end, at);
    at = found == std::string_view::npos ? content.size() : found + end.size();
  };
  while (at < content.size()) {
    const std::string_view rest = content.substr(at);
    if (rest.starts_with("<![CDATA[")) {
      const std::size_t end = content.find("]]>", at + 9);
      length += (end == std::string_view::npos ? content.size() : end) - (at + 9);
      at += 9;
      skip_past("]]>");
    } else if (rest.starts_with("<!--")) {
      at += 4;  // "<!-->" does not end the comment it opens
      skip_past("-->");
    } else if (rest.starts_with("<?")) {
      at += 2;
      skip_past("?>");
    } else if (rest.starts_with("<")) {
      for (char quote = 0; at < content.size() && (quote != 0 || content[at] != '>'); ++at) {
        if (content[at] == quote) {
          quote = 0;
        } else if (quote == 0 && (content[at] == '"' || content[at] == '\'')) {
          quote = content[at];
        }
      }
      ++at;
    } else if (rest.starts_with("&")) {
      const std::size_t end = rest.find(';');
      const std::string_view name = rest.substr(1, end == std::string_view::npos ? 0 : end - 1);
      if (xmlGetPredefinedEntity(reinterpret_cast<const xmlChar*>(std::string(name).c_str())))
        ++length;
      skip_past(";");
    } else {
      ++length;
      ++at;
    }
  }
  return length;
}

}  // namespace

void InitialiseLibxml2() {
  static const bool initialised = [] {
    xmlInitParser();
    xmlSetExternalEntityLoader(RefuseExternalEntity);
    return true;
  }();
  static_cast<void>(initialised);
}

ParseGuard::ParseGuard(xmlParserCtxtPtr context, ParseGuardClient& client,
                       const AttributeDefaults& defaults, std::size_t document_size)
    : context_(context),
      client_(client),
      get_entity_(context->sax->getEntity),
      get_parameter_entity_(context->sax->getParameterEntity),
      generic_error_(xmlGenericError),
      generic_error_context_(xmlGenericErrorContext),
      structured_error_(xmlStructuredError),
      structured_error_context_(xmlStructuredErrorContext),
      limits_(XmlEntityLimits::ForDocument(document_size)),
      defaults_(defaults) {
  context->_private = this;
  context->sax->serror = OnError;
  context->sax->getEntity = GetEntity;
  context->sax->getParameterEntity = GetParameterEntity;
  xmlSetGenericErrorFunc(nullptr, Silent);
  xmlSetStructuredErrorFunc(this, OnContextlessError);
}

ParseGuard::~ParseGuard() {
  xmlSetGenericErrorFunc(generic_error_context_, generic_error_);
  xmlSetStructuredErrorFunc(structured_error_context_, structured_error_);
}

ParseGuard& ParseGuard::Of(void* context) {
  return *static_cast<ParseGuard*>(static_cast<xmlParserCtxtPtr>(context)->_private);
}

// Errors fail the load; so does a reference to an undeclared entity, which libxml2 only warns
// about when the document names an external DTD. Validity errors that libxml2 reports while it
// reads the DTD's declarations (an xml:id declared other than as an ID) do not: the document is
// loaded without validation.
void ParseGuard::OnError(void* context, xmlErrorPtr error) {
  if (error->level < XML_ERR_ERROR && error->code != XML_WAR_UNDECLARED_ENTITY) return;
  if (error->level == XML_ERR_ERROR &&
      (error->domain == XML_FROM_DTD || error->domain == XML_FROM_VALID))
    return;
  ParseGuard& guard = Of(context);
  guard.Record(error->message != nullptr ? error->message : "Unknown error",
               context == guard.context_ ? error->line : guard.DocumentLine());
}

// An encoding conversion that fails is reported outside the parser context, when libxml2 converts
// the input ahead of the parse (which then reports only that the data ended early): its line is
// not known.
void ParseGuard::OnContextlessError(void* guard, xmlErrorPtr error) {
  if (error->level < XML_ERR_ERROR) return;
  static_cast<ParseGuard*>(guard)->Record(
      error->message != nullptr ? error->message : "Unknown error", 0);
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
  auto [known, added] = guard.expansions_.try_emplace(entity, Expansion{0, 0});
  if (added) {
    const std::string_view content = XmlText(entity->content);
    known->second = {OwnTextLength(content), EntityMarkupSteps(content, guard.defaults_)};
  }
  return guard.Count(parser, entity, known->second.own_text_length, known->second.markup_steps);
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
  // A parameter entity's text is all markup: its whole length counts.
  return entity != nullptr
             ? guard.Count(parser, entity, static_cast<std::size_t>(entity->length), 0)
             : nullptr;
}

// libxml2 refuses exponential expansion but not a long run of references into one text: the
// characters XmlEntityLimits counts are the text each reference yields, the work adds the text
// each one continues and what parsing the markup it brings costs.
xmlEntityPtr ParseGuard::Count(xmlParserCtxtPtr parser, xmlEntityPtr entity, std::size_t length,
                               std::size_t markup_steps) {
  characters_ += length;
  work_ += length + markup_steps;
  if (parser->instate == XML_PARSER_CONTENT) work_ += client_.EntityExpanding();
  return WithinLimits() ? entity : Refuse(parser, Excess());
}

void ParseGuard::CountDefaults(xmlParserCtxtPtr parser, std::size_t length) {
  characters_ += length;
  work_ += length;
  if (parser == context_) default_characters_ += length;
  if (!WithinLimits()) Fail(parser, Excess());
}

bool ParseGuard::WithinLimits() const {
  return characters_ <= limits_.characters && work_ <= limits_.work;
}

const char* ParseGuard::Excess() const {
  const bool references_within = characters_ - default_characters_ <= limits_.characters &&
                                 work_ - default_characters_ <= limits_.work;
  return references_within ? kAttributeDefaultsLimitsReason : kEntityLimitsReason;
}

// The line the document's own parse has reached; errors inside an entity's content count there.
int ParseGuard::DocumentLine() const {
  return context_->input != nullptr ? context_->input->line : 0;
}

xmlEntityPtr ParseGuard::Refuse(xmlParserCtxtPtr parser, const std::string& reason) {
  Fail(parser, reason);
  return nullptr;
}

void ParseGuard::Fail(xmlParserCtxtPtr parser, std::string_view reason) {
  Record(reason, DocumentLine());
  xmlStopParser(parser);
  if (parser != context_) xmlStopParser(context_);
}

void ParseGuard::Record(std::string_view reason, int line) {
  if (!error_) error_ = Error{std::string(reason), line};
}

}  // namespace platform
