// The watch over one libxml2 parse: it keeps the first error the parse meets, refuses every
// external entity and DTD, and holds the expansion of the document's own entities, with the
// attribute defaults its elements receive, to XmlEntityLimits, stopping the parse when a document
// goes beyond them. While it lives, libxml2
// writes nothing to standard error: the errors it raises outside a parser context (an encoding
// conversion that fails, and the I/O error that follows) count as errors of the parse, and its
// other diagnostics go nowhere.
#pragma once

#include <libxml/parser.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/posix/xml_markup_cost.h"
#include "platform/xml_document.h"

namespace platform {

// libxml2's text as a view; the empty view for no text.
inline std::string_view XmlText(const xmlChar* text) {
  return text != nullptr ? std::string_view(reinterpret_cast<const char*>(text))
                         : std::string_view();
}

// Initialises libxml2 once for the process, with an external entity loader that refuses all.
void InitialiseLibxml2();

// The receiver of a guarded parse's content, which the guard tells of entity expansions.
class ParseGuardClient {
 public:
  // A reference in content is about to expand. Returns the length of the text just before it,
  // which the expansion's text continues.
  virtual std::size_t EntityExpanding() = 0;

 protected:
  ~ParseGuardClient() = default;
};

// Installed on a parser context for the length of one parse: it takes the context's _private,
// which libxml2 hands on to the contexts it makes for entity contents, its structured error
// handler and its entity look-ups. The markup of each entity's expansion counts as work, with
// the document's attribute defaults; the limits are those of a document of document_size bytes.
class ParseGuard {
 public:
  ParseGuard(xmlParserCtxtPtr context, ParseGuardClient& client, const AttributeDefaults& defaults,
             std::size_t document_size);
  ~ParseGuard();
  ParseGuard(const ParseGuard&) = delete;
  ParseGuard& operator=(const ParseGuard&) = delete;

  // The guard of the parse that context (the document's or an entity content's) belongs to.
  static ParseGuard& Of(void* context);

  struct Error {
    std::string reason;  // UTF-8
    int line;
  };
  const std::optional<Error>& error() const { return error_; }
  ParseGuardClient& client() const { return client_; }

  // Stops the parse at parser (the document's context or an entity content's) with reason as its
  // error, unless an earlier one was kept.
  void Fail(xmlParserCtxtPtr parser, std::string_view reason);

  // libxml2 gave an element that parser met attribute defaults of length characters (their names
  // and values as the DTD spells them: the entities in them count as they expand). They count
  // towards the limits as the Windows build's pre-scan counts them, those of an element that an
  // entity's expansion makes as the entity's; the parse stops when they go beyond.
  void CountDefaults(xmlParserCtxtPtr parser, std::size_t length);

 private:
  static void OnError(void* context, xmlErrorPtr error);
  static void OnContextlessError(void* guard, xmlErrorPtr error);
  static xmlEntityPtr GetEntity(void* context, const xmlChar* name);
  static xmlEntityPtr GetParameterEntity(void* context, const xmlChar* name);

  xmlEntityPtr Count(xmlParserCtxtPtr parser, xmlEntityPtr entity, std::size_t length,
                     std::size_t markup_steps);
  bool WithinLimits() const;
  // Why the parse went beyond the limits: the attribute defaults where its entities alone stay
  // within them.
  const char* Excess() const;
  int DocumentLine() const;
  xmlEntityPtr Refuse(xmlParserCtxtPtr parser, const std::string& reason);
  void Record(std::string_view reason, int line);

  xmlParserCtxtPtr context_;
  ParseGuardClient& client_;
  getEntitySAXFunc get_entity_;
  getParameterEntitySAXFunc get_parameter_entity_;
  std::optional<Error> error_;
  // libxml2's handlers for errors outside a parser context, as they were before the guard.
  xmlGenericErrorFunc generic_error_;
  void* generic_error_context_;
  xmlStructuredErrorFunc structured_error_;
  void* structured_error_context_;
  const XmlEntityLimits limits_;
  std::size_t characters_ = 0;
  std::size_t default_characters_ = 0;  // of the document's own elements
  std::size_t work_ = 0;
  const AttributeDefaults& defaults_;
  struct Expansion {
    std::size_t own_text_length;
    std::size_t markup_steps;
  };
  std::unordered_map<const xmlEntity*, Expansion> expansions_;
};

}  // namespace platform
