#include "admin/export_command.h"

#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "admin/reg_file.h"
#include "admin/registry_query.h"
#include "admin/report_text.h"
#include "platform/code_page.h"
#include "platform/console.h"
#include "platform/file_system.h"

namespace regcorvex {
namespace {

using platform::StandardStream;

std::string ScopeKeyName(cfgDataScope scope, const std::string& path) {
  return RegistryRootName(ScopeRoot(scope)) + "\\" + FullKeyPath(path);
}

// The product keys the request names, with their registry paths; error for one outside them.
struct Requested {
  std::vector<std::pair<RegistryPath, ProductKey>> keys;
  std::string error;
};

Requested RequestedKeys(const ExportRequest& request) {
  Requested requested;
  std::vector<std::string> texts = request.keys;
  if (texts.empty()) {
    texts = {std::string("HKCU\\") + PrefBaseKey, std::string("HKLM\\") + PrefBaseKey};
  }
  for (const std::string& text : texts) {
    const auto path = ParseRegistryPath(text);
    const auto product = path ? ProductKeyOf(path->root, path->path) : std::nullopt;
    if (!product) {
      requested.error = Quoted(AnsiToUtf8(text)) + " is not a key below HKCU\\" + PrefBaseKey +
                        " or HKLM\\" + PrefBaseKey;
      return requested;
    }
    requested.keys.emplace_back(*path, *product);
  }
  return requested;
}

bool Below(const ProductKey& key, const ProductKey& top) {
  if (key.scope != top.scope) return false;
  const std::string path = platform::CharUpperBuffA(key.path);
  const std::string wanted = platform::CharUpperBuffA(top.path);
  return wanted.empty() || path == wanted || path.starts_with(wanted + "\\");
}

void ReadFromRegistry(const Requested& requested, bool named, platform::Registry& registry,
                      ExportSource& source) {
  for (const auto& [path, product] : requested.keys) {
    const TreeRead read = ReadKeyTree(registry, path.root, path.path);
    if (read.status == platform::kErrorFileNotFound && !named) continue;
    if (read.status != platform::kErrorSuccess) {
      const std::string why = registry.UnusableReason(path.root);
      source.error = "cannot read " + AnsiToUtf8(path.root_name + "\\" + path.path) + ": " +
                     (why.empty() ? "error " + std::to_string(read.status) : AnsiToUtf8(why));
      return;
    }
    for (const TreeKey& key : read.keys) {
      const auto below = ProductKeyOf(path.root, key.path);
      source.keys.push_back({below->scope, below->path, key.values, key.status});
    }
  }
}

void ReadFromFile(const Requested& requested, const std::string& file_name, ExportSource& source) {
  std::ifstream in(file_name, std::ios::binary);
  if (!in) {
    source.error = "cannot read " + file_name;
    return;
  }
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const RegFile file = ParseRegFile(bytes);
  if (!file.error.empty()) {
    source.error = file_name + ":" + std::to_string(file.line) + ": " + file.error;
    return;
  }
  // A key named more than once gathers its values; a later value replaces an earlier one.
  std::map<std::pair<cfgDataScope, std::string>, std::size_t> index;
  for (const RegFileKey& entry : file.keys) {
    const auto product = ProductKeyOf(entry.root, entry.key.path);
    bool wanted = false;
    for (const auto& [path, top] : requested.keys)
      wanted = wanted || (product && Below(*product, top));
    if (!wanted) {
      ++source.outside;
      continue;
    }
    const auto slot = std::pair{product->scope, platform::CharUpperBuffA(product->path)};
    auto [at, added] = index.emplace(slot, source.keys.size());
    if (added) source.keys.push_back({product->scope, product->path, {}, platform::kErrorSuccess});
    std::vector<TreeValue>& values = source.keys[at->second].values;
    for (const TreeValue& value : entry.key.values) {
      const std::string name = platform::CharUpperBuffA(value.name);
      std::erase_if(values, [&](const TreeValue& held) {
        return platform::CharUpperBuffA(held.name) == name;
      });
      values.push_back(value);
    }
  }
}

std::string NameText(const ExportOmission& omission) {
  if (omission.whole_key) {
    return std::to_string(omission.values) + (omission.values == 1 ? " value" : " values");
  }
  return "value " + Quoted(AnsiToUtf8(omission.name)) + " (" + RegistryTypeName(omission.type) +
         ")";
}

bool WriteFile(const std::string& path, const std::string& contents) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
  out.close();
  return static_cast<bool>(out);
}

}  // namespace

bool ParseExportArguments(const std::vector<std::string>& args, ExportRequest& request) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "-o" || arg == "--from-reg") {
      if (i + 1 == args.size()) return false;
      std::string& target = arg == "-o" ? request.output : request.from_reg;
      if (!target.empty()) return false;
      target = args[++i];
      if (target.empty()) return false;
    } else if (arg.starts_with("-") && arg.size() > 1) {
      return false;
    } else {
      request.keys.push_back(platform::ArgumentInAnsi(arg.c_str()));
    }
  }
  return true;
}

ExportSource ReadExportSource(const ExportRequest& request, platform::Registry& registry) {
  ExportSource source;
  const Requested requested = RequestedKeys(request);
  if (!requested.error.empty()) {
    source.error = requested.error;
  } else if (!request.from_reg.empty()) {
    ReadFromFile(requested, request.from_reg, source);
  } else {
    ReadFromRegistry(requested, !request.keys.empty(), registry, source);
  }
  return source;
}

std::string ExportText(const ExportRequest& request, const ExportSource& source,
                       const ExportResult& result) {
  std::string out;
  std::size_t omitted_values = 0;
  for (const ExportOmission& omission : result.omitted) {
    out += "not exported: " + AnsiToUtf8(ScopeKeyName(omission.scope, omission.key)) + ": " +
           NameText(omission) + ": " + omission.reason + "\n";
    omitted_values += omission.values;
  }
  out += std::to_string(result.exported) + (result.exported == 1 ? " value" : " values") +
         " exported to " + (request.output.empty() ? "standard output" : request.output);
  if (omitted_values > 0) {
    out += ", " + std::to_string(omitted_values) + " not exported (listed above)";
  }
  if (source.outside > 0) {
    out += "; " + std::to_string(source.outside) + " keys of " + request.from_reg +
           " lie outside the keys exported";
  }
  return out + "\n";
}

std::string ExportJson(const ExportRequest& request, const ExportSource& source,
                       const ExportResult& result) {
  std::string out = "{\n  \"document\": " +
                    (request.output.empty() ? std::string("null") : JsonString(request.output)) +
                    ",\n  \"exported\": " + std::to_string(result.exported) +
                    ",\n  \"outside\": " + std::to_string(source.outside) + ",\n  \"omitted\": [";
  const char* separator = "\n";
  for (const ExportOmission& omission : result.omitted) {
    out += separator + std::string("    {\"key\": ") +
           JsonString(AnsiToUtf8(ScopeKeyName(omission.scope, omission.key))) +
           ", \"name\": " + (omission.whole_key ? "null" : JsonString(AnsiToUtf8(omission.name))) +
           ", \"type\": " +
           (omission.whole_key ? "null" : JsonString(RegistryTypeName(omission.type))) +
           ", \"values\": " + std::to_string(omission.values) +
           ", \"reason\": " + JsonString(omission.reason) + "}";
    separator = ",\n";
  }
  return out + (result.omitted.empty() ? "]\n}\n" : "\n  ]\n}\n");
}

int RunExport(const ExportRequest& request, platform::Registry& registry) {
  const ExportSource source = ReadExportSource(request, registry);
  if (!source.error.empty()) {
    platform::WriteStandard(StandardStream::kError,
                            "regcorvex-admin export: " + source.error + "\n");
    return 2;
  }
  const ExportResult result = ExportDocument(source.keys);
  if (request.output.empty()) {
    if (!platform::WriteStandard(StandardStream::kOutput, result.document)) return 2;
  } else if (!WriteFile(request.output, result.document)) {
    platform::WriteStandard(StandardStream::kError,
                            "regcorvex-admin export: cannot write " + request.output + "\n");
    return 2;
  }
  const std::string report =
      request.json ? ExportJson(request, source, result) : ExportText(request, source, result);
  platform::WriteStandard(request.output.empty() ? StandardStream::kError : StandardStream::kOutput,
                          report);
  return result.omitted.empty() ? 0 : 1;
}

}  // namespace regcorvex
