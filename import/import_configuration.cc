#include "import/import_configuration.h"

#include <exception>
#include <optional>

#include "common/product.h"
#include "import/config_format.h"
#include "import/import_walk.h"
#include "import/xml_document.h"

namespace regcorvex {
namespace {

// The text of a load error: the parser's reason, its line and the start of that line's source.
std::string DescribeLoadError(const XmlLoadError& error) {
  return error.reason() + "\r\n" + "Line" + ": " + std::to_string(error.line()) + "\r\n" +
         error.source_text().substr(0, XmlLoadError::kSourceTextLength);
}

struct Outcome {
  std::optional<std::string> refused_by;  // the display name of another product
  std::optional<std::string> error;
};

// Everything that needs the document, which is released before this returns, on every path.
Outcome LoadAndWalk(const std::string& path, WalkReceiver& store) {
  try {
    const auto document = CreateXmlDocument();
    document->Load(path);
    const XmlNode root = document->RootElement();
    const XmlNode doctype = document->Doctype();
    if (!doctype) {
      return {std::nullopt,
              "The document has no DOCTYPE declaration: a configuration document starts with "
              "<!DOCTYPE Corvane_5_Preferences>."};
    }
    const DocumentIdentity identity =
        CheckDocumentIdentity(document->Name(root), document->Name(doctype));
    if (!identity.accepted) return {identity.display_name, std::nullopt};
    ImportWalk(*document, store).Run(root);
    return {};
  } catch (const XmlLoadError& error) {
    return {std::nullopt, DescribeLoadError(error)};
  } catch (const std::exception& error) {
    return {std::nullopt, std::string(error.what())};
  }
}

}  // namespace

void ImportConfiguration(const std::string& path, WalkReceiver& store,
                         platform::MessageBoxes& message_boxes) {
  const Outcome outcome = LoadAndWalk(path, store);
  std::string text;
  if (outcome.refused_by) {
    text = "This configuration file belongs to " + *outcome.refused_by + "\r\n" +
           "and is not compatible with " + ProductTitle + ".";
  } else if (outcome.error) {
    text = "Could not import the program configuration due to the following error:\r\n" +
           *outcome.error + "\r\n" + "\r\n" + "Filename: " + path;
  } else {
    return;
  }
  message_boxes.MessageBoxA(message_boxes.GetForegroundWindow(), text, ApplicationTitle,
                            platform::kMbOk | platform::kMbIconError | platform::kMbSetForeground);
}

}  // namespace regcorvex
