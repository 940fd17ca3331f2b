// The watch over one libxml2 parse: it keeps the first error the parse meets, refuses every
// external entity and DTD, and holds the expansion of the document's own entities to
// XmlEntityLimits, stopping the parse when a document goes beyond them.
#pragma once

#include <libxml/parser.h>

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace regcorvex {

// libxml2's text as a view; the empty view for no text.
inline std::string_view XmlText(const xmlChar* text) {
  return text != nullptr ? std::string_view(reinterpret_cast<const char*>(text))
                         : std::string_view();
}

// Initialises libxml2 once for the process, with an external entity loader that refuses all, and
// turns off the allocator's fast bins, which made releasing a large tree slow.
void InitialiseLibxml2();

// Installed on a parser context for the length of one parse: it takes the context's _private,
// which libxml2 hands on to the contexts it makes for entity contents, its structured error
// handler and its entity look-ups.
class ParseGuard {
 public:
  explicit ParseGuard(xmlParserCtxtPtr context);
  ParseGuard(const ParseGuard&) = delete;
  ParseGuard& operator=(const ParseGuard&) = delete;

  struct Error {
    std::string reason;  // UTF-8
    int line;
  };
  const std::optional<Error>& error() const { return error_; }

 private:
  static ParseGuard& Of(void* context);
  static void OnError(void* context, xmlErrorPtr error);
  static xmlEntityPtr GetEntity(void* context, const xmlChar* name);
  static xmlEntityPtr GetParameterEntity(void* context, const xmlChar* name);

  xmlEntityPtr Count(xmlParserCtxtPtr parser, xmlEntityPtr entity);
  std::size_t ExpandedLength(const xmlEntity* entity);
  int DocumentLine() const;
  xmlEntityPtr Refuse(xmlParserCtxtPtr parser, const std::string& reason);
  void Record(std::string_view reason, int line);

  xmlParserCtxtPtr context_;
  getEntitySAXFunc get_entity_;
  getParameterEntitySAXFunc get_parameter_entity_;
  std::optional<Error> error_;
  std::size_t characters_ = 0;
  std::size_t work_ = 0;
  std::unordered_map<const xmlEntity*, std::size_t> expanded_lengths_;
};

}  // namespace regcorvex
