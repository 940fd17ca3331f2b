#include "platform/posix/wine_registry/view.h"

#include "platform/code_page.h"
#include "platform/posix/wine_registry/data.h"
#include "platform/registry_toolkit.h"

namespace platform::wine_registry {
namespace {

using KeyPtr = std::shared_ptr<Key>;

bool IsWow6432Node(std::u16string_view name) { return FoldCase(name) == u"wow6432node"; }

// The 32-bit view of a key: its Wow6432Node child, unless the path goes there by name.
KeyPtr Wow64View(const KeyPtr& key, std::u16string_view next) {
  if (IsWow6432Node(next)) return key;
  KeyPtr node = key->FindSubkey(u"Wow6432Node");
  return node ? node : key;
}

// How many links one look-up may follow in all: links that lead through links could otherwise
// make a short path cost time exponential in the number of links.
constexpr int kMaxLinksFollowed = 16;

// A link key's target ("\REGISTRY\Machine\..."), when it lies in this hive; null otherwise.
KeyPtr FollowLink(const Hive& hive, KeyPtr key, int& budget) {
  if (!key || !key->link) return key;
  const Value* target = key->FindValue(u"SymbolicLinkValue");
  if (--budget < 0 || target == nullptr || target->type != kRegLink) return nullptr;
  std::u16string root = u"\\" + AnsiToWide(hive.relative_to);
  for (std::size_t at = root.find(u"\\\\"); at != std::u16string::npos;
       at = root.find(u"\\\\", at + 1)) {
    root.erase(at, 1);
  }
  const std::u16string path = Utf16FromBytes(target->data);
  if (FoldCase(path.substr(0, root.size())) != FoldCase(root) ||
      (path.size() > root.size() && path[root.size()] != u'\\')) {
    return nullptr;
  }
  KeyPtr current = hive.root;
  for (const std::u16string& part : SplitKeyPath(std::u16string_view(path).substr(root.size()))) {
    current = FollowLink(hive, current->FindSubkey(part), budget);
    if (!current) return nullptr;
  }
  return current;
}

// What the 32-bit view's Classes (Software\Classes\Wow6432Node) lacks is looked up, and
// created, in the 64-bit Software\Classes.
KeyPtr SharedClasses(const PathView& view, const KeyPtr& key) {
  if (!view.is_machine || !IsWow6432Node(key->name())) return nullptr;
  const KeyPtr software = view.hive.root->FindSubkey(u"Software");
  KeyPtr classes = software ? software->FindSubkey(u"Classes") : nullptr;
  return classes && classes->FindSubkey(u"Wow6432Node") == key ? classes : nullptr;
}

}  // namespace

Resolved Resolve(const PathView& view, KeyPtr start, const std::vector<std::u16string>& parts) {
  Resolved result{std::move(start)};
  KeyPtr& current = result.key;
  int budget = kMaxLinksFollowed;
  if (view.wow64 && !parts.empty()) current = Wow64View(current, parts.front());
  while (result.matched < parts.size()) {
    KeyPtr next = current->FindSubkey(parts[result.matched]);
    if (!next && view.wow64) {
      if (KeyPtr shared = SharedClasses(view, current)) {
        current = std::move(shared);
        next = current->FindSubkey(parts[result.matched]);
      }
    }
    if (!next) return result;
    current = std::move(next);
    if (++result.matched == parts.size()) break;
    if (view.wow64) current = Wow64View(current, parts[result.matched]);
    current = FollowLink(view.hive, current, budget);
    if (!current) return {nullptr, result.matched, true};
  }
  if (view.wow64) current = Wow64View(current, u"");
  if (view.open_link) return result;
  current = FollowLink(view.hive, current, budget);
  if (!current) return {nullptr, result.matched, true};
  return result;
}

}  // namespace platform::wine_registry
