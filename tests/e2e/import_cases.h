// Documents and what importing each must leave behind: the values below the product's key in
// both hives and the message boxes shown. One table for the native program and for the Windows
// program under Wine, so that the two must agree value for value.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace regcorvex::test {

inline constexpr char kProductKey[] = "Software\\Pellmoor Software Solutions\\Corvane 5";

struct ExpectedBox {
  std::string caption;
  std::string text;  // "{path}" stands for the document's path as the program was given it
};

struct ImportCase {
  const char* label;
  std::string document;
  std::vector<std::string> values;  // as ProductValues lists them
  std::vector<ExpectedBox> boxes;
  // The box quotes the XML parser's own reason for a load error, which each parser words its way.
  bool quotes_parser = false;
  // The values under Wine where they differ: Wine's MSXML keeps a reference to one of the
  // document's entities as a node without the replacement that MSXML on Windows holds under it.
  std::optional<std::vector<std::string>> values_under_wine = std::nullopt;
};

const std::vector<ImportCase>& ImportCases();

// A document of this product around the given scope elements.
std::string ProductDocument(const std::string& scopes);

// A document of count integer values, spread over 50 categories of each scope; value i is named
// V<i> and holds i.
std::string LargeDocument(int count);

// Every value below the product's key, HKCU first: "HKCU\<key below it>: name = TYPE data".
std::vector<std::string> ProductValues(platform::Registry& registry);

// Removes the product's key from both hives.
void RemoveProductKeys(platform::Registry& registry);

}  // namespace regcorvex::test
