#include "admin/document_export.h"

#include <cstdint>
#include <cstring>

#include "admin/document_spelling.h"
#include "admin/registry_query.h"
#include "admin/report_text.h"
#include "import/document_format.h"
#include "import/import_walk.h"
#include "import/value_types.h"
#include "platform/code_page.h"
#include "platform/hex.h"
#include "platform/utf8.h"

namespace regcorvex {
namespace {

constexpr char kWow6432Prefix[] = "SOFTWARE\\WOW6432NODE\\";

std::string Upper(std::string_view text) { return platform::CharUpperBuffA(text); }

// The category whose key path is path, or why there is none.
struct Category {
  std::string name;
  std::string problem;
};

Category CategoryOf(const std::string& path) {
  if (path.empty()) return {kCfgAllName, {}};
  std::string name = path;
  const std::string unknown_prefix = Upper(PrefCategoryNames[cfgUnknown]) + "\\";
  if (Upper(path).starts_with(unknown_prefix)) name = path.substr(unknown_prefix.size());
  if (IsSkippedCategory(name)) {
    return {{}, "the import never opens the category \"" + AnsiToUtf8(name) + "\""};
  }
  if (Upper(GetCategoryKeyPath(name)) != Upper(path)) {
    return {{}, "the key is no category: the import writes values into no key of this name"};
  }
  return {name, {}};
}

std::string DwordText(const std::vector<std::uint8_t>& data) {
  std::uint32_t pattern;
  std::memcpy(&pattern, data.data(), 4);
  return std::to_string(static_cast<std::int32_t>(pattern));
}

// The element of one value ("<Name type="t">text</Name>"), or why it has none.
Spelling ValueElement(const TreeValue& value) {
  if (!value.problem.empty()) return {{}, value.problem};
  ValueKind kind;
  std::string text;
  switch (value.type) {
    case platform::kRegDword:
      if (value.data.size() != 4) {
        return {{}, "its REG_DWORD data is " + std::to_string(value.data.size()) + " bytes long"};
      }
      kind = ValueKind::kInteger;
      text = DwordText(value.data);
      break;
    case platform::kRegBinary:
      kind = ValueKind::kBinary;
      text = platform::HexBytes(value.data, " ");
      break;
    case platform::kRegSz: {
      const std::string bytes(value.data.begin(), value.data.end());
      if (bytes.empty() || bytes.find('\0') != bytes.size() - 1) {
        return {{}, "its REG_SZ data is not one text ended by a NUL"};
      }
      const Spelling spelled = SpellValueText(bytes.substr(0, bytes.size() - 1));
      if (!spelled.problem.empty()) return spelled;
      kind = ValueKind::kString;
      text = spelled.text;
      break;
    }
    default:
      return {{},
              std::string("its type ") + RegistryTypeName(value.type) +
                  " is none of REG_DWORD, REG_SZ and REG_BINARY"};
  }
  const Spelling name = SpellElementName(value.name, "name");
  if (!name.problem.empty()) return name;
  return {
      "<" + name.text + " type=\"" + ValueTypeName(kind) + "\">" + text + "</" + name.text + ">",
      {}};
}

void AppendScope(cfgDataScope scope, const std::vector<ExportKey>& keys, ExportResult& result,
                 std::string& body) {
  std::string scope_body;
  for (const ExportKey& key : keys) {
    if (key.scope != scope) continue;
    const auto omit_key = [&](const std::string& reason) {
      result.omitted.push_back(
          {scope, key.path, true, false, key.values.size(), {}, platform::kRegNone, reason});
    };
    if (key.status != platform::kErrorSuccess) {
      omit_key("the key could not be read in full (error " + std::to_string(key.status) + ")");
    }
    if (key.deleted) {
      result.omitted.push_back({scope,
                                key.path,
                                true,
                                true,
                                0,
                                {},
                                platform::kRegNone,
                                "a configuration document cannot delete a key"});
    }
    for (const std::string& name : key.deleted_values) {
      result.omitted.push_back({scope, key.path, false, true, 1, name, platform::kRegNone,
                                "a configuration document cannot delete a value"});
    }
    if (key.link) {
      omit_key("the key is a link to another key, which is not followed");
      continue;
    }
    if (key.values.empty()) continue;
    const Category category = CategoryOf(key.path);
    if (!category.problem.empty()) {
      omit_key(category.problem);
      continue;
    }
    const Spelling category_name = SpellElementName(category.name, "category name");
    if (!category_name.problem.empty()) {
      omit_key(category_name.problem);
      continue;
    }
    std::string values;
    for (const TreeValue& value : key.values) {
      const Spelling element = ValueElement(value);
      if (!element.problem.empty()) {
        result.omitted.push_back(
            {scope, key.path, false, false, 1, value.name, value.type, element.problem});
        continue;
      }
      values += "        " + element.text + "\n";
      ++result.exported;
    }
    if (values.empty()) continue;
    scope_body +=
        "      <" + category_name.text + ">\n" + values + "      </" + category_name.text + ">\n";
  }
  if (scope_body.empty()) return;
  const std::string element = GetDataScopeElementName(scope);
  body += "    <" + element + ">\n" + scope_body + "    </" + element + ">\n";
}

}  // namespace

ExportResult ExportDocument(const std::vector<ExportKey>& keys) {
  ExportResult result;
  std::string body;
  AppendScope(cfgPerUserRoam, keys, result, body);
  AppendScope(cfgPerMachine, keys, result, body);
  const std::string document = platform::Utf16ToUtf8(kDocumentName);
  const std::string product = AnsiToUtf8(ProductElementName());
  result.document = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE " + document + ">\n<" +
                    document + ">\n  <" + product + ">\n" + body + "  </" + product + ">\n</" +
                    document + ">\n";
  return result;
}

std::optional<ProductKey> ProductKeyOf(platform::Hkey root, const std::string& path) {
  std::string below = path;
  if (root == platform::kHkeyLocalMachine && Upper(below).starts_with(kWow6432Prefix)) {
    below = "Software\\" + below.substr(std::strlen(kWow6432Prefix));
  }
  const std::string base = Upper(PrefBaseKey);
  const std::string upper = Upper(below);
  if (!upper.starts_with(base)) return std::nullopt;
  if (upper.size() > base.size() && upper[base.size()] != '\\') return std::nullopt;
  std::string rest = below.substr(std::min(below.size(), base.size() + 1));
  if (root == platform::kHkeyCurrentUser) return ProductKey{cfgPerUserRoam, rest};
  if (root == platform::kHkeyLocalMachine) return ProductKey{cfgPerMachine, rest};
  return std::nullopt;
}

platform::Hkey ScopeRoot(cfgDataScope scope) {
  return scope == cfgPerMachine ? platform::kHkeyLocalMachine : platform::kHkeyCurrentUser;
}

std::string FullKeyPath(const std::string& path) {
  return path.empty() ? std::string(PrefBaseKey) : std::string(PrefBaseKey) + "\\" + path;
}

}  // namespace regcorvex
