// The document as the native DOM parses it and the import decodes it: any bytes either fail to
// load with XmlLoadError or give a tree that the walk reads to its end, whatever the root is
// called, with every name and value text decoded and converted.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "import/document_format.h"
#include "import/import_walk.h"
#include "platform/posix/xml_document_libxml2.h"
#include "platform/xml_document.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::unique_ptr<platform::XmlDocument> document;
  try {
    document = platform::ParseXmlDocument({reinterpret_cast<const char*>(data), size});
  } catch (const platform::XmlLoadError&) {
    return 0;
  }
  const platform::XmlNode root = document->RootElement();
  if (const platform::XmlNode doctype = document->Doctype())
    regcorvex::CheckDocumentIdentity(document->Name(root), document->Name(doctype));
  regcorvex::DiscardingReceiver receiver;
  regcorvex::ImportWalk(*document, receiver).Run(root);
  return 0;
}
