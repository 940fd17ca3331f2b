// One document through this build's import, in process: the preference store over a registry that
// holds none of the product's keys, boxes recorded instead of shown. The Windows build parses with
// MSXML and writes the system's registry (Wine's); the native build parses with libxml2 and writes
// the hive files of a fresh prefix.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace regcorvex::test {

struct Box {
  std::string caption;
  std::string text;  // lines separated by "\r\n"
};

struct DocumentRun {
  std::vector<std::string> values;  // as ProductValues lists them
  std::vector<Box> boxes;
};

// A registry without the product's keys, for one document; the build supplies it.
class ImportRegistry {
 public:
  static std::unique_ptr<ImportRegistry> Create();
  virtual ~ImportRegistry() = default;
  virtual platform::Registry& registry() = 0;
};

// Imports the document at path (a Windows path, or a name in the current folder).
DocumentRun ImportDocument(const std::string& path);

}  // namespace regcorvex::test
