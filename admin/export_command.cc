#include "admin/export_command.h"

#include <map>

#include "admin/input_file.h"
#include "admin/registry_query.h"
#include "admin/report_output.h"
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

ExportKey KeyOf(const ProductKey& product) {
  ExportKey key{};
  key.scope = product.scope;
  key.path = product.path;
  return key;
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
      ExportKey& exported = source.keys.emplace_back(KeyOf(*below));
      exported.values = key.values;
      exported.status = key.status;
      exported.link = key.link;
    }
  }
}

// A registry file is refused past this size: the largest export of a whole hive is far smaller.
constexpr std::size_t kMaxRegFileSize = std::size_t{256} << 20;

std::string Upper(std::string_view text) { return platform::CharUpperBuffA(text); }

// The keys the file leaves behind once imported: a key named more than once gathers its values,
// a later value replaces an earlier one of its name, and a deletion removes what came before it.
void ReadFromFile(const Requested& requested, const std::string& file_name, ExportSource& source) {
  const InputFile input = ReadInputFile(file_name, kMaxRegFileSize);
  if (!input.error.empty()) {
    source.error = input.error;
    return;
  }
  const RegFile file = ParseRegFile(input.bytes);
  source.encoding = file.encoding;
  if (!file.error.empty()) {
    source.error = file_name + ": " + file.error;
    return;
  }
  source.unread = file.unread;
  std::map<std::pair<cfgDataScope, std::string>, std::size_t> index;
  std::map<std::string, std::size_t> outside;
  for (const RegFileKey& entry : file.keys) {
    const auto product = ProductKeyOf(entry.root, entry.key.path);
    bool wanted = false;
    for (const auto& [path, top] : requested.keys)
      wanted = wanted || (product && Below(*product, top));
    if (!wanted) {
      const std::string name =
          entry.root_name + (entry.key.path.empty() ? "" : "\\" + entry.key.path);
      auto [at, added] = outside.emplace(Upper(name), source.outside.size());
      if (added) source.outside.push_back({name, 0, false});
      source.outside[at->second].values += entry.key.values.size();
      source.outside[at->second].deleted |= entry.deleted;
      continue;
    }
    if (entry.deleted) {
      for (ExportKey& held : source.keys) {
        if (Below({held.scope, held.path}, *product)) held.values.clear();
      }
    }
    const auto slot = std::pair{product->scope, Upper(product->path)};
    auto [at, added] = index.emplace(slot, source.keys.size());
    if (added) source.keys.push_back(KeyOf(*product));
    ExportKey& key = source.keys[at->second];
    key.deleted |= entry.deleted;
    const auto drop = [](auto& list, const std::string& name, auto name_of) {
      std::erase_if(list, [&](const auto& held) { return Upper(name_of(held)) == Upper(name); });
    };
    const auto value_name = [](const TreeValue& value) { return value.name; };
    const auto deleted_name = [](const std::string& name) { return name; };
    for (const std::string& name : entry.deleted_values) {
      drop(key.values, name, value_name);
      drop(key.deleted_values, name, deleted_name);
      key.deleted_values.push_back(name);
    }
    for (const TreeValue& value : entry.key.values) {
      drop(key.values, value.name, value_name);
      drop(key.deleted_values, value.name, deleted_name);
      key.values.push_back(value);
    }
  }
}

std::string NameText(const ExportOmission& omission) {
  if (omission.deletion) {
    return omission.whole_key ? "deletion of the key and every key below it"
                              : "deletion of value " + Quoted(AnsiToUtf8(omission.name));
  }
  if (omission.whole_key) {
    return std::to_string(omission.values) + (omission.values == 1 ? " value" : " values");
  }
  return "value " + Quoted(AnsiToUtf8(omission.name)) + " (" + RegistryTypeName(omission.type) +
         ")";
}

std::string Plural(std::size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

// Whether anything of the source is not in the document: the command then exits 1.
bool Incomplete(const ExportSource& source, const ExportResult& result) {
  return !result.omitted.empty() || !source.unread.empty() || result.exported == 0;
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
  for (const RegFileLine& line : source.unread) {
    out += request.from_reg + ":" + std::to_string(line.line) + ": not read: " + line.reason + "\n";
  }
  for (const ExportOmission& omission : result.omitted) {
    out += "not exported: " + AnsiToUtf8(ScopeKeyName(omission.scope, omission.key)) + ": " +
           NameText(omission) + ": " + omission.reason + "\n";
  }
  for (const OutsideKey& key : source.outside) {
    out += "outside the keys exported: " + AnsiToUtf8(key.name) + " (" +
           (key.deleted ? "deleted, " : "") + Plural(key.values, "value", "values") + ")\n";
  }
  if (result.exported == 0) {
    out += "nothing exported";
    if (!request.output.empty()) out += "; " + request.output + " is left as it is";
  } else {
    out += Plural(result.exported, "value", "values") + " exported to " +
           (request.output.empty() ? "standard output" : request.output);
  }
  if (!result.omitted.empty()) {
    out += ", " + Plural(result.omitted.size(), "entry", "entries") + " not exported";
  }
  if (!source.unread.empty()) {
    out += ", " + Plural(source.unread.size(), "line", "lines") + " of " + request.from_reg +
           " not read";
  }
  if (!source.outside.empty()) {
    out += ", " + Plural(source.outside.size(), "key", "keys") + " outside the keys exported";
  }
  if (!source.encoding.empty())
    out += " (" + request.from_reg + " read as " + source.encoding + ")";
  return out + "\n";
}

std::string ExportJson(const ExportRequest& request, const ExportSource& source,
                       const ExportResult& result) {
  const bool written = result.exported > 0 && !request.output.empty();
  std::string out =
      "{\n  \"document\": " + (written ? JsonString(request.output) : std::string("null")) +
      ",\n  \"exported\": " + std::to_string(result.exported) + ",\n  \"source\": " +
      (request.from_reg.empty() ? std::string("null") : JsonString(request.from_reg)) +
      ",\n  \"encoding\": " +
      (source.encoding.empty() ? std::string("null") : JsonString(source.encoding)) +
      ",\n  \"omitted\": [";
  const auto list = [&out](auto& items, auto item_json) {
    const char* separator = "\n";
    for (const auto& item : items) {
      out += separator + std::string("    {") + item_json(item) + "}";
      separator = ",\n";
    }
    out += items.empty() ? "]" : "\n  ]";
  };
  list(result.omitted, [](const ExportOmission& omission) {
    return "\"key\": " + JsonString(AnsiToUtf8(ScopeKeyName(omission.scope, omission.key))) +
           ", \"name\": " + (omission.whole_key ? "null" : JsonString(AnsiToUtf8(omission.name))) +
           ", \"type\": " +
           (omission.whole_key || omission.deletion ? "null"
                                                    : JsonString(RegistryTypeName(omission.type))) +
           ", \"deletion\": " + (omission.deletion ? "true" : "false") +
           ", \"values\": " + std::to_string(omission.values) +
           ", \"reason\": " + JsonString(omission.reason);
  });
  out += ",\n  \"outside\": [";
  list(source.outside, [](const OutsideKey& key) {
    return "\"key\": " + JsonString(AnsiToUtf8(key.name)) +
           ", \"values\": " + std::to_string(key.values) +
           ", \"deleted\": " + (key.deleted ? "true" : "false");
  });
  out += ",\n  \"unread\": [";
  list(source.unread, [](const RegFileLine& line) {
    return "\"line\": " + std::to_string(line.line) + ", \"reason\": " + JsonString(line.reason);
  });
  return out + ",\n  \"exit_code\": " + std::to_string(Incomplete(source, result) ? 1 : 0) +
         "\n}\n";
}

int RunExport(const ExportRequest& request, platform::Registry& registry) {
  const ExportSource source = ReadExportSource(request, registry);
  const auto fail = [&](const std::string& why) {
    return ReportError(request.json, "export", why);
  };
  if (!source.error.empty()) return fail(source.error);
  const ExportResult result = ExportDocument(source.keys);
  if (result.exported > 0) {
    if (request.output.empty()) {
      if (!platform::WriteStandard(StandardStream::kOutput, result.document)) {
        return fail("cannot write the document to standard output");
      }
    } else if (const std::string why = WriteOutputFile(request.output, result.document);
               !why.empty()) {
      return fail(why);
    }
  }
  const std::string report =
      request.json ? ExportJson(request, source, result) : ExportText(request, source, result);
  const bool report_to_output = !request.output.empty() || result.exported == 0;
  platform::WriteStandard(report_to_output ? StandardStream::kOutput : StandardStream::kError,
                          report);
  return Incomplete(source, result) ? 1 : 0;
}

}  // namespace regcorvex
