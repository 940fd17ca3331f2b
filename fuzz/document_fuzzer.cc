// The document as the native DOM parses it and the import decodes it: any bytes either fail to
// load with XmlLoadError or give a tree that the walk reads to its end, whatever the root is
// called, with every name and value text decoded and converted.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "import/config_format.h"
#include "import/import_walk.h"
#include "import/xml_document.h"
#include "platform/posix/xml_document_libxml2.h"

namespace {

// Receives the walk and keeps nothing: the work under test is the decoding on the way here.
class DiscardingReceiver final : public regcorvex::WalkReceiver {
 public:
  bool OpenPref(regcorvex::cfgDataScope, const std::string&) override { return true; }
  void ClosePref() override {}
  void SetPrefInteger(const std::string&, const std::string&, std::int32_t) override {}
  void SetPrefString(const std::string&, const std::string&, const std::string&) override {}
  void SetPrefBooleanProc(const std::string&, const std::string&, bool) override {}
  void SetPrefBinaryProc(const std::string&, const std::string&,
                         const std::vector<std::uint8_t>&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::unique_ptr<regcorvex::XmlDocument> document;
  try {
    document = regcorvex::ParseXmlDocument({reinterpret_cast<const char*>(data), size});
  } catch (const regcorvex::XmlLoadError&) {
    return 0;
  }
  const regcorvex::XmlNode root = document->RootElement();
  if (const regcorvex::XmlNode doctype = document->Doctype())
    regcorvex::CheckDocumentIdentity(document->Name(root), document->Name(doctype));
  DiscardingReceiver receiver;
  regcorvex::ImportWalk(*document, receiver).Run(root);
  return 0;
}
