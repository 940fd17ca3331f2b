// The few DOM operations the import needs, over the platform's XML parser: MSXML through COM on
// Windows, libxml2 natively. A document owns its nodes; an XmlNode is valid while it lives.
#pragma once

#include <algorithm>
#include <cstddef>
#include <limits>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "platform/file_system.h"

namespace platform {

enum class XmlNodeType {
  kElement = 1,
  kAttribute = 2,
  kText = 3,
  kCData = 4,
  kEntityReference = 5,
  kEntity = 6,
  kProcessingInstruction = 7,
  kComment = 8,
  kDocument = 9,
  kDocumentType = 10,
  kDocumentFragment = 11,
  kNotation = 12,
};

// Opaque handle to one node of a loaded document; a default-constructed handle is "no node".
struct XmlNode {
  const void* handle = nullptr;
  explicit operator bool() const { return handle != nullptr; }
};

// A load that failed: the parser's reason for the first error, its line (0 when unknown) and the
// first kSourceTextLength characters of that line's text, all in the ANSI code page.
class XmlLoadError : public std::runtime_error {
 public:
  static constexpr std::size_t kSourceTextLength = 40;

  // Inline: both platform libraries raise it.
  XmlLoadError(std::string reason, int line, std::string source_text)
      : std::runtime_error(reason),
        reason_(std::move(reason)),
        line_(line),
        source_text_(std::move(source_text)) {}
  const std::string& reason() const { return reason_; }
  int line() const { return line_; }
  const std::string& source_text() const { return source_text_; }

 private:
  std::string reason_;
  int line_;
  std::string source_text_;
};

// How far a document may expand its own entities (and, in the pre-scan of the Windows build, its
// attribute defaults): the characters all its entity references add up to, and the copying that
// joining those expansions to the text around them costs. The limits grow with the document: a
// document of n bytes may add max(kMinCharacters, kPerByte * n) characters and a hundred times as
// much copying. A document that goes beyond either is refused with kEntityLimitsReason, or with
// kAttributeDefaultsLimitsReason where its entities alone stay within them.
struct XmlEntityLimits {
  static constexpr std::size_t kMinCharacters = 1000000;
  static constexpr std::size_t kPerByte = 4;
  static constexpr std::size_t kWorkPerCharacter = 100;

  static constexpr XmlEntityLimits ForDocument(std::size_t bytes) {
    constexpr std::size_t kLargest =
        std::numeric_limits<std::size_t>::max() / (kPerByte * kWorkPerCharacter);
    const std::size_t characters = std::max(kMinCharacters, kPerByte * std::min(bytes, kLargest));
    return {characters, kWorkPerCharacter * characters};
  }

  std::size_t characters;
  std::size_t work;
};
inline constexpr char kEntityLimitsReason[] =
    "The document expands its entities beyond the limits of this program.";
inline constexpr char kAttributeDefaultsLimitsReason[] =
    "The attribute defaults of the document's DTD expand it beyond the limits of this program.";

class XmlDocument {
 public:
  virtual ~XmlDocument() = default;

  // Synchronous load of the file at path (an ANSI Windows path): no validation, external
  // entities and DTDs never read, the document's own entities expanded within XmlEntityLimits,
  // white-space-only text dropped (whatever xml:space says). The children of a node show each
  // reference to one of the document's entities as its replacement, which stands where the
  // reference stands: its text joins the text around it. Throws XmlLoadError.
  virtual void Load(const std::string& path) = 0;

  virtual XmlNode RootElement() = 0;
  virtual XmlNode Doctype() = 0;  // no node when the document has no DOCTYPE

  // The node's name: "#comment", "#text", "#cdata-section" for those; the DOCTYPE's name for it.
  virtual std::u16string Name(XmlNode node) = 0;
  virtual XmlNodeType Type(XmlNode node) = 0;
  virtual std::size_t ChildCount(XmlNode node) = 0;
  virtual XmlNode Child(XmlNode node, std::size_t index) = 0;
  virtual std::optional<std::u16string> Attribute(XmlNode element, std::u16string_view name) = 0;
  // The text of the node's first child (the caller has checked that it is a text node).
  virtual std::u16string Text(XmlNode node) = 0;

  // Where the node starts in the file, for people reading reports: line and column from 1, each
  // 0 where the parser does not keep it. The import never asks.
  virtual std::pair<int, int> Position(XmlNode /*node*/) { return {0, 0}; }
};

// The platform's XML parser, as a service of the run: it makes the documents that the run loads,
// which read their files through the file system the parser was given.
class XmlParser {
 public:
  virtual ~XmlParser() = default;
  virtual std::unique_ptr<XmlDocument> NewDocument() = 0;
};

// This platform's parser, reading through files.
std::unique_ptr<XmlParser> MakeXmlParser(FileSystem& files);
// This platform's parser over its own file system: process-wide, created on first use.
XmlParser& DefaultXmlParser();

// The whole document file at path (a Windows path), read through files; XmlLoadError, in the
// words the parsers give, when it cannot be read.
std::string ReadXmlFile(FileSystem& files, const std::string& path);

}  // namespace platform
