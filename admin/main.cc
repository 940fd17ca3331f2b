// regcorvex-admin: the companion command for the people who write configuration documents.
//   regcorvex-admin query KEY [/s]   the registry below KEY, as `reg query` prints it
#include <cstdio>
#include <string>
#include <vector>

#include "admin/registry_query.h"
#include "platform/code_page.h"

namespace {

constexpr char kUsage[] = "usage: regcorvex-admin query KEY [/s]\n";

int Query(const std::vector<std::string>& args) {
  bool recursive = false;
  std::string key_text;
  for (const std::string& arg : args) {
    if (platform::CharUpperBuffA(arg) == "/S") {
      recursive = true;
    } else if (key_text.empty()) {
      key_text = arg;
    } else {
      std::fputs(kUsage, stderr);
      return 2;
    }
  }
  const auto key = regcorvex::ParseRegistryPath(key_text);
  if (!key) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const auto listing = regcorvex::QueryRegistry(platform::DefaultRegistry(), *key, recursive);
  if (!listing) {
    std::fputs("reg: Unable to find the specified registry key\n", stderr);
    return 1;
  }
  std::fputs(listing->c_str(), stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty() && args[0] == "query") return Query({args.begin() + 1, args.end()});
  std::fputs(kUsage, stderr);
  return 2;
}
