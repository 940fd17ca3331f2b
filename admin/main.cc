// regcorvex-admin: the companion command for the people who write configuration documents.
//   regcorvex-admin check DOCUMENT      what the import would pass by or convert without a word
//   regcorvex-admin preview DOCUMENT    what the import would write into the registry as it is now
//   regcorvex-admin query KEY [/s]      the registry below KEY, as `reg query` prints it
// --json, anywhere on the command line, gives each report as JSON. Nothing is ever written.
#include <cstdio>
#include <string>
#include <vector>

#include "admin/document_check.h"
#include "admin/import_preview.h"
#include "admin/registry_query.h"
#include "admin/report_output.h"
#include "platform/application.h"
#include "platform/code_page.h"
#include "platform/registry.h"

namespace {

constexpr char kUsage[] =
    "usage: regcorvex-admin [--json] check DOCUMENT\n"
    "       regcorvex-admin [--json] preview DOCUMENT\n"
    "       regcorvex-admin [--json] query KEY [/s]\n"
    "check: 0 no findings, 1 findings, 2 the document cannot be loaded.\n"
    "preview: 0 the import would walk the document, 1 it would refuse it or stop, 2 not loaded.\n"
    "Positions are LINE:COLUMN where the platform's XML parser keeps them (line 0 or no position "
    "where it does not).\n";

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

int Query(const std::vector<std::string>& args, bool json) {
  bool recursive = false;
  std::string key_text;
  for (const std::string& arg : args) {
    if (platform::CharUpperBuffA(arg) == "/S") {
      recursive = true;
    } else if (key_text.empty()) {
      key_text = arg;
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
    std::fputs(failure.empty() ? "reg: Unable to find the specified registry key\n"
                               : ("regcorvex-admin: " + failure + "\n").c_str(),
               stderr);
    return 1;
  }
  std::fputs(listing->c_str(), stdout);
  return 0;
}

// COM for the platform's XML parser, as the program has it when it imports.
class ComForParser {
 public:
  ComForParser() : initialized_(platform::DefaultApplication().CoInitialize()) {}
  ~ComForParser() {
    if (initialized_) platform::DefaultApplication().CoUninitialize();
  }
  ComForParser(const ComForParser&) = delete;
  ComForParser& operator=(const ComForParser&) = delete;

 private:
  bool initialized_;
};

int Check(const std::string& document, bool json) {
  const ComForParser com;
  const regcorvex::CheckReport report = regcorvex::CheckDocument(document);
  const std::string out =
      json ? regcorvex::CheckJson(document, report) : regcorvex::CheckText(document, report);
  std::fputs(out.c_str(), stdout);
  return regcorvex::CheckExitCode(report);
}

int Preview(const std::string& document, bool json) {
  const ComForParser com;
  const regcorvex::PreviewReport report =
      regcorvex::PreviewImport(document, platform::ReadOnlyRegistry());
  const std::string out =
      json ? regcorvex::PreviewJson(document, report) : regcorvex::PreviewText(document, report);
  std::fputs(out.c_str(), stdout);
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
  if (command == "query") return Query(args, json);
  if (args.size() != 1) return Usage();
  if (command == "check") return Check(args[0], json);
  if (command == "preview") return Preview(args[0], json);
  return Usage();
}
