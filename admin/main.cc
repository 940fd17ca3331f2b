// regcorvex-admin: the companion command for the people who write configuration documents.
//   regcorvex-admin check DOCUMENT      what the import would pass by or convert without a word
//   regcorvex-admin preview DOCUMENT    what the import would write into the registry as it is now
//   regcorvex-admin query KEY [/s] [/v NAME | /ve] [/reg:32 | /reg:64]
//                                       the registry below KEY, as `reg query` prints it
//   regcorvex-admin export [-o FILE] [--from-reg FILE.reg] [KEY...]
//                                       the product's values as a configuration document
// --json, anywhere on the command line, gives each report, and each error, as JSON. The registry
// is never written.
#include <string>
#include <vector>

#include "admin/document_check.h"
#include "admin/export_command.h"
#include "admin/import_preview.h"
#include "admin/registry_query.h"
#include "admin/report_output.h"
#include "platform/application.h"
#include "platform/code_page.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "platform/registry.h"

namespace {

using platform::StandardStream;

struct Command {
  const char* name;
  const char* usage;
  const char* help;
};

constexpr Command kCommands[] = {
    {"check", "check DOCUMENT",
     "  What the import would pass by, convert to 0, false or \"\", or skip, with positions as\n"
     "  FILE:LINE:COLUMN where the platform's XML parser keeps them.\n"
     "  Exit 0 no findings, 1 findings, 2 the document cannot be loaded.\n"
     "  example: regcorvex-admin check prefs.xml\n"},
    {"preview", "preview DOCUMENT",
     "  Per value: the key it goes to and whether it is new, changed, unchanged or left to the\n"
     "  machine's equal value, as the import would write it into the registry as it is now.\n"
     "  Exit 0 the import would walk the document, 1 it would refuse it or stop, 2 the document\n"
     "  cannot be loaded or the registry cannot be read.\n"
     "  example: regcorvex-admin preview prefs.xml\n"},
    {"query", "query KEY [/s] [/v NAME | /ve] [/reg:32 | /reg:64]",
     "  The values of KEY (HKCU\\..., HKLM\\... or HKU\\...) as `reg query` lists them: /s those\n"
     "  of every key below it too, /v NAME only the value NAME, /ve only the default value.\n"
     "  HKLM\\Software is read in the 32-bit view, where the product keeps the machine's values;\n"
     "  /reg:64 reads the 64-bit view. Link keys are listed, not followed.\n"
     "  Exit 0 listed, 1 the key or value does not exist or the registry cannot be read,\n"
     "  2 a malformed command line.\n"
     "  example: regcorvex-admin query \"HKCU\\Software\\Pellmoor Software Solutions\\Corvane 5\" "
     "/s\n"},
    {"export", "export [-o FILE] [--from-reg FILE.reg] [KEY...]",
     "  A configuration document holding the product's values: the current user's under\n"
     "  PerUserRoam, the machine's (32-bit view) under PerMachine, each key as its category.\n"
     "  KEY limits it to keys below the product's; --from-reg reads a file of `reg export` or the\n"
     "  registry editor (version 5.00 or REGEDIT4, in UTF-16, UTF-8 or the ANSI code page)\n"
     "  instead of the registry. Every entry is accounted for: what a document cannot carry\n"
     "  (other types, deletions, names no element can spell, texts holding \"_\", keys that are\n"
     "  no category, link keys) is listed with the reason, keys of the file outside the product\n"
     "  by name, lines of the file that cannot be read by number. The document goes to FILE or\n"
     "  to standard output; the report to standard output with -o, else to standard error.\n"
     "  Exit 0 every value exported, 1 some listed or none exported (then no document is\n"
     "  written), 2 it could not run.\n"
     "  example: regcorvex-admin export -o captured.xml\n"
     "  example: regcorvex-admin export --from-reg old-settings.reg -o captured.xml\n"},
};

constexpr char kAbout[] =
    "regcorvex-admin: the companion of RegCorvex for the people who write configuration\n"
    "documents. It never writes the registry. Natively it works on the Wine prefix named by\n"
    "$WINEPREFIX (else .wine in the home folder). --json, anywhere, gives the report as JSON,\n"
    "errors included. COMMAND --help shows one command's help.\n";

std::string Usage() {
  std::string usage;
  for (const Command& command : kCommands) {
    usage += std::string(usage.empty() ? "usage: " : "       ") + "regcorvex-admin [--json] " +
             command.usage + "\n";
  }
  return usage + "       regcorvex-admin --help | --version\n";
}

int WriteOut(const std::string& text) {
  platform::WriteStandard(StandardStream::kOutput, text);
  return 0;
}

int Malformed(bool json, const std::string& command, const std::string& why) {
  if (json) return regcorvex::ReportError(true, command, why);
  platform::WriteStandard(StandardStream::kError, "regcorvex-admin: " + why + "\n" + Usage());
  return 2;
}

bool IsHelp(const std::string& arg) { return arg == "--help" || arg == "-h" || arg == "/?"; }

int Query(const std::vector<std::string>& args, bool json) {
  regcorvex::QueryOptions options;
  std::string key_text;
  std::optional<regcorvex::RegistryView> view;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string option = platform::CharUpperBuffA(args[i]);
    if (option == "/S") {
      options.recursive = true;
    } else if ((option == "/V" || option == "/VE") && !options.value) {
      if (option == "/V" && i + 1 == args.size()) {
        return Malformed(json, "query", "/v needs the name of a value");
      }
      options.value = option == "/VE" ? std::string() : args[++i];
    } else if ((option == "/REG:32" || option == "/REG:64") && !view) {
      view = option == "/REG:64" ? regcorvex::RegistryView::k64 : regcorvex::RegistryView::k32;
    } else if (key_text.empty() && !option.starts_with("/")) {
      key_text = platform::ArgumentInAnsi(args[i].c_str());
    } else {
      return Malformed(json, "query", "unexpected \"" + args[i] + "\"");
    }
  }
  auto key = regcorvex::ParseRegistryPath(key_text);
  if (!key) {
    return Malformed(json, "query", "KEY must begin with HKCU, HKLM or HKU (or their long names)");
  }
  key->view = view.value_or(regcorvex::kProductView);
  platform::Registry& registry = platform::ReadOnlyRegistry();
  std::string failure;
  const auto listing = json ? regcorvex::QueryRegistryJson(registry, *key, options, &failure)
                            : regcorvex::QueryRegistry(registry, *key, options, &failure);
  if (!listing) {
    // A registry that cannot be used says why, rather than that the key is missing.
    if (!failure.empty()) return regcorvex::ReportError(json, "query", failure, 1);
    if (json) {
      return regcorvex::ReportError(true, "query",
                                    "the specified registry key or value does not exist", 1);
    }
    platform::WriteStandard(StandardStream::kError,
                            options.value ? "ERROR: The system was unable to find the specified "
                                            "registry key or value.\n"
                                          : "reg: Unable to find the specified registry key\n");
    return 1;
  }
  return WriteOut(*listing);
}

int Check(const std::string& document, bool json) {
  const platform::ComApartment com(platform::DefaultApplication());  // for the XML parser
  const regcorvex::CheckReport report = regcorvex::CheckDocument(document);
  WriteOut(json ? regcorvex::CheckJson(document, report) : regcorvex::CheckText(document, report));
  return regcorvex::CheckExitCode(report);
}

int Preview(const std::string& document, bool json) {
  platform::Registry& registry = platform::ReadOnlyRegistry();
  for (const platform::Hkey root : {platform::kHkeyCurrentUser, platform::kHkeyLocalMachine}) {
    const std::string why = registry.UnusableReason(root);
    if (!why.empty()) return regcorvex::ReportError(json, "preview", why);
  }
  const platform::ComApartment com(platform::DefaultApplication());  // for the XML parser
  regcorvex::PreviewWriter writer(document, json, [](const std::string& part) { WriteOut(part); });
  const regcorvex::WalkOutcome outcome = regcorvex::PreviewImport(
      document, registry, [&writer](const regcorvex::PreviewEntry& entry) { writer.Add(entry); });
  writer.Finish(outcome);
  return regcorvex::PreviewExitCode(outcome);
}

int Run(const Command& command, const std::vector<std::string>& args, bool json) {
  const std::string name = command.name;
  if (name == "query") return Query(args, json);
  if (name == "export") {
    regcorvex::ExportRequest request;
    request.json = json;
    if (!regcorvex::ParseExportArguments(args, request)) {
      return Malformed(json, name, "malformed export command line");
    }
    return regcorvex::RunExport(request, platform::ReadOnlyRegistry());
  }
  if (args.size() != 1) return Malformed(json, name, name + " takes one DOCUMENT");
  return name == "check" ? Check(args[0], json) : Preview(args[0], json);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args;
  bool json = false;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--json") {
      json = true;
    } else {
      args.emplace_back(argv[i]);
    }
  }
  if (args.empty()) return Malformed(json, "", "no command given");
  const std::string name = args[0];
  args.erase(args.begin());
  if (args.empty() && IsHelp(name)) {
    std::string help = Usage() + "\n" + kAbout;
    for (const Command& command : kCommands) {
      help += std::string("\n") + command.usage + "\n" + command.help;
    }
    return WriteOut(help);
  }
  if (args.empty() && name == "--version")
    return WriteOut("regcorvex-admin " REGCORVEX_VERSION "\n");
  for (const Command& command : kCommands) {
    if (name != command.name) continue;
    for (const std::string& arg : args) {
      if (IsHelp(arg)) {
        return WriteOut(std::string("usage: regcorvex-admin [--json] ") + command.usage + "\n\n" +
                        command.help);
      }
    }
    return Run(command, args, json);
  }
  return Malformed(json, "", "unknown command \"" + name + "\"");
}
