#include "import/import_configuration.h"

#include <exception>

#include "common/product.h"
#include "import/document_format.h"
#include "import/import_walk.h"
#include "platform/xml_document.h"

namespace regcorvex {
namespace {

// The text of a load error: the parser's reason, its line and the start of that line's source.
std::string DescribeLoadError(const platform::XmlLoadError& error) {
  return error.reason() + "\r\n" + "Line" + ": " + std::to_string(error.line()) + "\r\n" +
         error.source_text().substr(0, platform::XmlLoadError::kSourceTextLength);
}

}  // namespace

WalkOutcome LoadAndWalk(const std::string& path, platform::XmlParser& parser,
                        WalkReceiver& receiver) {
  using Kind = WalkOutcome::Kind;
  try {
    const auto document = parser.NewDocument();
    document->Load(path);
    const platform::XmlNode root = document->RootElement();
    const platform::XmlNode doctype = document->Doctype();
    if (!doctype) {
      return {Kind::kFailed,
              "The document has no DOCTYPE declaration: a configuration document starts with "
              "<!DOCTYPE Corvane_5_Preferences>."};
    }
    const DocumentIdentity identity =
        CheckDocumentIdentity(document->Name(root), document->Name(doctype));
    if (!identity.accepted) return {Kind::kRefused, identity.display_name};
    ImportWalk(*document, receiver).Run(root);
    return {Kind::kWalked, {}};
  } catch (const platform::XmlLoadError& error) {
    return {Kind::kNotLoaded, DescribeLoadError(error), error.line()};
  } catch (const std::exception& error) {
    return {Kind::kFailed, std::string(error.what())};
  }
}

void ImportConfiguration(const std::string& path, platform::XmlParser& parser, WalkReceiver& store,
                         platform::MessageBoxes& message_boxes) {
  const WalkOutcome outcome = LoadAndWalk(path, parser, store);
  std::string text;
  if (outcome.kind == WalkOutcome::Kind::kRefused) {
    text = "This configuration file belongs to " + outcome.text + "\r\n" +
           "and is not compatible with " + ProductTitle + ".";
  } else if (outcome.kind != WalkOutcome::Kind::kWalked) {
    text = "Could not import the program configuration due to the following error:\r\n" +
           outcome.text + "\r\n" + "\r\n" + "Filename: " + path;
  } else {
    return;
  }
  message_boxes.MessageBoxA(message_boxes.OwnForegroundWindow(), text, ApplicationTitle,
                            platform::kMbOk | platform::kMbIconError | platform::kMbSetForeground);
}

}  // namespace regcorvex
