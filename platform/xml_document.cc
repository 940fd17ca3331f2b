#include "platform/xml_document.h"

#include "platform/system_error_text.h"

namespace platform {

XmlParser& DefaultXmlParser() {
  static const std::unique_ptr<XmlParser> parser = MakeXmlParser(DefaultFileSystem());
  return *parser;
}

std::string ReadXmlFile(FileSystem& files, const std::string& path) {
  std::string bytes;
  const Long error = files.ReadWholeFile(path.c_str(), &bytes);
  switch (error) {
    case kErrorSuccess:
      return bytes;
    case kErrorFileNotFound:
    case kErrorPathNotFound:
      throw XmlLoadError("The system cannot locate the object specified.", 0, "");
    case kErrorFileTooLarge:
      throw XmlLoadError("The document is too large.", 0, "");
    default:
      // MSXML gives the system's text for the error that stopped its open or read.
      throw XmlLoadError(SystemErrorText(error).value_or("The file could not be read (error " +
                                                         std::to_string(error) + ")."),
                         0, "");
  }
}

}  // namespace platform
