// regcorvex-admin: the companion command for the people who write configuration documents.
//   regcorvex-admin check DOCUMENT      what the import would pass by or convert without a word
//   regcorvex-admin preview DOCUMENT    what the import would write into the registry as it is now
//   regcorvex-admin query KEY [/s]      the registry below KEY, as `reg query` prints it
//   regcorvex-admin export [-o FILE] [--from-reg FILE.reg] [KEY...]
//                                       the product's values as a configuration document
// --json, anywhere on the command line, gives each report as JSON. The registry is never written.
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

constexpr char kUsage[] =
    "usage: regcorvex-admin [--json] check DOCUMENT\n"
    "       regcorvex-admin [--json] preview DOCUMENT\n"
    "       regcorvex-admin [--json] query KEY [/s]\n"
    "       regcorvex-admin [--json] export [-o FILE] [--from-reg FILE.reg] [KEY...]\n"
    "       regcorvex-admin --help | --version\n";

constexpr char kHelp[] =
    "regcorvex-admin: the companion of RegCorvex for the people who write configuration\n"
    "documents. It never writes the registry. Natively it works on the Wine prefix named by\n"
    "$WINEPREFIX (~/.wine when unset). --json, anywhere, gives the report as JSON.\n"
    "\n"
    "check DOCUMENT\n"
    "  What the import would pass by, convert to 0, false or \"\", or skip, with positions as\n"
    "  FILE:LINE:COLUMN where the platform's XML parser keeps them.\n"
    "  Exit 0 no findings, 1 findings, 2 the document cannot be loaded.\n"
    "  example: regcorvex-admin check prefs.xml\n"
    "\n"
    "preview DOCUMENT\n"
    "  Per value: the key it goes to and whether it is new, changed, unchanged or left to the\n"
    "  machine's equal value, as the import would write it into the registry as it is now.\n"
    "  Exit 0 the import would walk the document, 1 it would refuse it or stop, 2 not loaded.\n"
    "  example: regcorvex-admin preview prefs.xml\n"
    "\n"
    "query KEY [/s]\n"
    "  The values of KEY (HKCU\\... or HKLM\\...), with /s those of every key below it.\n"
    "  example: regcorvex-admin query \"HKCU\\Software\\Pellmoor Software Solutions\\Corvane 5\" "
    "/s\n"
    "\n"
    "export [-o FILE] [--from-reg FILE.reg] [KEY...]\n"
    "  A configuration document holding the product's values: the current user's under\n"
    "  PerUserRoam, the machine's (32-bit view) under PerMachine, each key as its category.\n"
    "  KEY limits it to keys below the product's; --from-reg reads a file of `reg export` or the\n"
    "  registry editor (REGEDIT4, or version 5.00 in UTF-16) instead of the registry. What a\n"
    "  document cannot carry (other types, names no element can spell, texts holding \"_\",\n"
    "  keys that are no category) is listed with the reason. The document goes to FILE or to\n"
    "  standard output; the report to standard output with -o, else to standard error.\n"
    "  Exit 0 every value exported, 1 some listed, 2 it could not run.\n"
    "  example: regcorvex-admin export -o captured.xml\n"
    "  example: regcorvex-admin export --from-reg old-settings.reg -o captured.xml\n";

int Usage() {
  platform::WriteStandard(platform::StandardStream::kError, kUsage);
  return 2;
}

int Query(const std::vector<std::string>& args, bool json) {
  bool recursive = false;
  std::string key_text;
  for (const std::string& arg : args) {
    if (platform::CharUpperBuffA(arg) == "/S") {
      recursive = true;
    } else if (key_text.empty()) {
      key_text = platform::ArgumentInAnsi(arg.c_str());
    } else {
      return Usage();
    }
  }
  const auto key = regcorvex::ParseRegistryPath(key_text);
  if (!key) return Usage();
  platform::Registry& registry = platform::ReadOnlyRegistry();
  std::string failure;
  const auto listing = json ? regcorvex::QueryRegistryJson(registry, *key, recursive, &failure)
                            : regcorvex::QueryRegistry(registry, *key, recursive, &failure);
  if (!listing) {
    // A registry that cannot be used says why, rather than that the key is missing.
    platform::WriteStandard(platform::StandardStream::kError,
                            failure.empty() ? "reg: Unable to find the specified registry key\n"
                                            : "regcorvex-admin: " + failure + "\n");
    return 1;
  }
  platform::WriteStandard(platform::StandardStream::kOutput, *listing);
  return 0;
}

int Check(const std::string& document, bool json) {
  const platform::ComApartment com(platform::DefaultApplication());  // for the XML parser
  const regcorvex::CheckReport report = regcorvex::CheckDocument(document);
  const std::string out =
      json ? regcorvex::CheckJson(document, report) : regcorvex::CheckText(document, report);
  platform::WriteStandard(platform::StandardStream::kOutput, out);
  return regcorvex::CheckExitCode(report);
}

int Preview(const std::string& document, bool json) {
  const platform::ComApartment com(platform::DefaultApplication());  // for the XML parser
  const regcorvex::PreviewReport report =
      regcorvex::PreviewImport(document, platform::ReadOnlyRegistry());
  const std::string out =
      json ? regcorvex::PreviewJson(document, report) : regcorvex::PreviewText(document, report);
  platform::WriteStandard(platform::StandardStream::kOutput, out);
  return regcorvex::PreviewExitCode(report);
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
  if (args.empty()) return Usage();
  const std::string command = args[0];
  args.erase(args.begin());
  if (args.empty() && (command == "--help" || command == "-h" || command == "/?")) {
    platform::WriteStandard(platform::StandardStream::kOutput, std::string(kUsage) + "\n" + kHelp);
    return 0;
  }
  if (args.empty() && command == "--version") {
    platform::WriteStandard(platform::StandardStream::kOutput,
                            "regcorvex-admin " REGCORVEX_VERSION "\n");
    return 0;
  }
  if (command == "query") return Query(args, json);
  if (command == "export") {
    regcorvex::ExportRequest request;
    request.json = json;
    if (!regcorvex::ParseExportArguments(args, request)) return Usage();
    return regcorvex::RunExport(request, platform::ReadOnlyRegistry());
  }
  if (args.size() != 1) return Usage();
  if (command == "check") return Check(args[0], json);
  if (command == "preview") return Preview(args[0], json);
  return Usage();
}
