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

struct LinkWalk {
  int budget = kMaxLinksFollowed;
  KeyPtr broken;  // the link where the walk ended, if it did
  std::string why;
};

// A link key's target ("\REGISTRY\Machine\..."), when it lies in this hive; null otherwise, with
// the link that could not be followed in walk.
KeyPtr FollowLink(const Hive& hive, const KeyPtr& key, LinkWalk& walk) {
  if (!key || !key->link) return key;
  const auto broken = [&](std::string why) -> KeyPtr {
    walk.broken = key;
    walk.why = std::move(why);
    return nullptr;
  };
  if (--walk.budget < 0) {
    return broken("it leads round in a circle, or through more than " +
                  std::to_string(kMaxLinksFollowed) + " links");
  }
  const Value* target = key->FindValue(u"SymbolicLinkValue");
  if (target == nullptr || target->type != kRegLink) return broken("it names no target");
  std::u16string root = u"\\" + AnsiToWide(hive.relative_to);
  for (std::size_t at = root.find(u"\\\\"); at != std::u16string::npos;
       at = root.find(u"\\\\", at + 1)) {
    root.erase(at, 1);
  }
  const std::u16string path = Utf16FromBytes(target->data);
  const std::string shown = WideToAnsi(path);
  if (FoldCase(path.substr(0, root.size())) != FoldCase(root) ||
      (path.size() > root.size() && path[root.size()] != u'\\')) {
    return broken("its target " + shown + " is outside this hive, where no link is followed");
  }
  KeyPtr current = hive.root;
  for (const std::u16string& part : SplitKeyPath(std::u16string_view(path).substr(root.size()))) {
    current = FollowLink(hive, current->FindSubkey(part), walk);
    if (walk.broken) return nullptr;
    if (!current) return broken("its target " + shown + " does not exist");
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
  Resolved result;
  result.key = std::move(start);
  KeyPtr& current = result.key;
  LinkWalk walk;
  const auto follow = [&] {
    current = FollowLink(view.hive, current, walk);
    if (current) return true;
    result.broken_link = std::move(walk.broken);
    result.why_broken = std::move(walk.why);
    return false;
  };
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
    if (!follow()) return result;
  }
  if (view.wow64) current = Wow64View(current, u"");
  if (!view.open_link) follow();
  return result;
}

}  // namespace platform::wine_registry
