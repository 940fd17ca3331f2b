// The entity budget against a parser: for any document the budget lets through, what libxml2
// makes of it with every entity expanded and every attribute default applied (text, names and
// attribute values, counted in UTF-16 code units) is never more than the document's own bytes
// plus the budget's estimate. The parse stops as soon as it passes that, and the input crashes.
#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "platform/entity_budget.h"
#include "platform/posix/libxml2_parse_guard.h"
#include "platform/xml_document.h"

namespace {

struct Count {
  std::size_t allowed;
  std::size_t made = 0;
};

// UTF-16 code units of UTF-8 text: one for each character, two for those beyond U+FFFF.
std::size_t Units(const xmlChar* text, std::size_t length) {
  std::size_t units = 0;
  for (std::size_t i = 0; i < length; ++i) {
    if ((text[i] & 0xC0) != 0x80) ++units;
    if (text[i] >= 0xF0) ++units;
  }
  return units;
}

std::size_t Units(const xmlChar* text) {
  return text == nullptr
             ? 0
             : Units(text, std::string_view(reinterpret_cast<const char*>(text)).size());
}

Count& CountOf(void* context) {
  return *static_cast<Count*>(static_cast<xmlParserCtxtPtr>(context)->_private);
}

void Add(void* context, std::size_t units) {
  Count& count = CountOf(context);
  count.made += units;
  if (count.made <= count.allowed) return;
  std::fprintf(stderr, "libxml2 made %zu code units; the budget allowed %zu\n", count.made,
               count.allowed);
  std::abort();
}

void OnText(void* context, const xmlChar* text, int length) {
  Add(context, Units(text, static_cast<std::size_t>(length)));
}

void OnStart(void* context, const xmlChar* name, const xmlChar* prefix, const xmlChar*, int,
             const xmlChar**, int attribute_count, int, const xmlChar** attributes) {
  std::size_t units = Units(name) + Units(prefix);
  for (int i = 0; i < attribute_count; ++i) {
    const xmlChar* const* attribute = attributes + 5 * i;
    units += Units(attribute[0]) + Units(attribute[1]) +
             Units(attribute[3], static_cast<std::size_t>(attribute[4] - attribute[3]));
  }
  Add(context, units);
}

void OnComment(void* context, const xmlChar* text) { Add(context, Units(text)); }

void OnInstruction(void* context, const xmlChar* target, const xmlChar* data) {
  Add(context, Units(target) + Units(data));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  platform::EntityExpansion estimate;
  try {
    estimate = platform::MeasureEntityExpansion(bytes);
  } catch (const platform::XmlLoadError&) {
    return 0;
  }
  platform::InitialiseLibxml2();

  // The SAX2 handlers that keep the DTD (entities, defaults), with the content counted instead of
  // built into a tree: libxml2 then parses an entity's content anew at each reference.
  xmlSAXHandler sax{};
  xmlSAXVersion(&sax, 2);
  sax.startElementNs = OnStart;
  sax.endElementNs = nullptr;
  sax.characters = OnText;
  sax.ignorableWhitespace = OnText;
  sax.cdataBlock = OnText;
  sax.comment = OnComment;
  sax.processingInstruction = OnInstruction;
  sax.reference = nullptr;
  sax.warning = nullptr;
  sax.error = nullptr;
  sax.serror = [](void*, xmlErrorPtr) {};

  xmlParserCtxtPtr parser = xmlNewParserCtxt();
  if (parser == nullptr) return 0;
  Count count{size + estimate.characters};
  xmlSAXHandlerPtr own_sax = parser->sax;
  parser->sax = &sax;
  parser->_private = &count;
  const xmlDocPtr document =
      xmlCtxtReadMemory(parser, reinterpret_cast<const char*>(data), static_cast<int>(size),
                        nullptr, nullptr, XML_PARSE_NOENT | XML_PARSE_DTDATTR | XML_PARSE_NONET);
  if (document != nullptr) xmlFreeDoc(document);
  parser->sax = own_sax;
  xmlFreeParserCtxt(parser);
  return 0;
}
