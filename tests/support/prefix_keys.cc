#include "tests/support/prefix_keys.h"

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <utility>

#include "platform/code_page.h"
#include "platform/posix/wine_registry/files.h"
#include "platform/posix/wine_registry/format.h"
#include "platform/posix/wine_registry/read.h"
#include "platform/utf8.h"

namespace regcorvex::test {
namespace {

namespace reg = platform::wine_registry;
using Path = std::vector<std::u16string>;  // folded names

Path SplitFolded(std::string_view path) {
  Path names;
  for (std::size_t start = 0; start <= path.size();) {
    std::size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start)
      names.push_back(reg::FoldCase(platform::AnsiToWide(path.substr(start, end - start))));
    start = end + 1;
  }
  return names;
}

// Whether the shorter of the two paths begins the longer one.
bool OnOnePath(const Path& a, const Path& b) {
  const std::size_t shared = std::min(a.size(), b.size());
  return std::equal(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(shared), b.begin());
}

bool Inside(const Path& path, bool has_values, const std::vector<Path>& allowed) {
  for (const Path& key : allowed) {
    if (OnOnePath(path, key) && (path.size() >= key.size() || !has_values)) return true;
  }
  return false;
}

void CollectOutside(reg::Key& root, const std::string& label, const std::vector<Path>& allowed,
                    std::vector<std::string>& outside) {
  struct Pending {
    reg::Key* key;
    Path path;
    std::string shown;
  };
  std::vector<Pending> pending{{&root, {}, label}};
  while (!pending.empty()) {
    Pending item = std::move(pending.back());
    pending.pop_back();
    if (!Inside(item.path, !item.key->values().empty(), allowed)) {
      outside.push_back(item.shown);
      continue;
    }
    for (const auto& [folded, subkey] : item.key->subkeys()) {
      Path path = item.path;
      path.push_back(folded);
      pending.push_back({subkey.get(), std::move(path),
                         item.shown + "\\" + platform::Utf16ToUtf8(subkey->name())});
    }
  }
}

}  // namespace

std::vector<std::string> KeysOutside(const std::string& prefix, const std::string& key) {
  const Path base = SplitFolded(key);
  Path redirected = SplitFolded("Software\\Wow6432Node");
  redirected.insert(redirected.end(), base.begin() + 1, base.end());
  const std::pair<const char*, std::vector<Path>> hives[] = {{"user.reg", {base}},
                                                             {"system.reg", {base, redirected}}};
  std::vector<std::string> outside;
  for (const auto& [file, allowed] : hives) {
    const std::string path = prefix + "/" + file;
    const auto read = reg::ReadHiveFile(path);
    if (!read.ok()) {
      outside.push_back(path + ": " + read.status().message());
      continue;
    }
    if (!read->exists) continue;
    try {
      CollectOutside(*reg::ParseHive(read->contents).root,
                     std::string(file) == "user.reg" ? "HKCU" : "HKLM", allowed, outside);
    } catch (const reg::FormatError& error) {
      outside.push_back(path + ": " + error.what());
    }
  }
  return outside;
}

}  // namespace regcorvex::test
