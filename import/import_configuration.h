// The configuration import: loads one document, checks that it belongs to this product and walks
// it into the preference store. A document of another product and any error that ends the import
// are reported in a message box owned by the foreground window; nothing escapes to the caller.
#pragma once

#include <string>

#include "import/walk_receiver.h"
#include "platform/message_box.h"
#include "platform/xml_document.h"

namespace regcorvex {

void ImportConfiguration(const std::string& path, platform::XmlParser& parser, WalkReceiver& store,
                         platform::MessageBoxes& message_boxes);

// How far one document got: loaded, identified and walked, or where it stopped.
struct WalkOutcome {
  enum class Kind {
    kWalked,
    kRefused,    // another product's document: text is its display name
    kNotLoaded,  // the parser refused the file: text is the error as the import reports it
    kFailed,     // no DOCTYPE, or an error that ended the walk: text is the error
  };
  Kind kind;
  std::string text;
  int line = 0;  // kNotLoaded: the parser's line, 0 when unknown
};

// The import's own sequence, without its messages: loads the document at path with parser, checks
// its identity and walks it into receiver. The document is released before this returns.
WalkOutcome LoadAndWalk(const std::string& path, platform::XmlParser& parser,
                        WalkReceiver& receiver);

}  // namespace regcorvex
