#include "platform/xml_document.h"

namespace platform {

XmlParser& DefaultXmlParser() {
  static const std::unique_ptr<XmlParser> parser = MakeXmlParser(DefaultFileSystem());
  return *parser;
}

std::string ReadXmlFile(FileSystem& files, const std::string& path) {
  std::string bytes;
  switch (files.ReadWholeFile(path.c_str(), &bytes)) {
    case kErrorSuccess:
      return bytes;
    // Windows' text for error 5, which MSXML gives for a file it may not read (Wine's MSXML says
    // only "error").
    case kErrorAccessDenied:
      throw XmlLoadError("Access is denied.", 0, "");
    case kErrorFileTooLarge:
      throw XmlLoadError("The document is too large.", 0, "");
    case kErrorReadFault:
      throw XmlLoadError("The file could not be read.", 0, "");
    default:
      throw XmlLoadError("The system cannot locate the object specified.", 0, "");
  }
}

}  // namespace platform
