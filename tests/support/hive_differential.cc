#include "tests/support/hive_differential.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/posix/wine_registry/format.h"
#include "platform/posix/wine_registry/read.h"

namespace hive_differential {
namespace {

namespace reg = platform::wine_registry;
using reg::Hive;
using reg::Key;

// Whether the file shows the key with its own line, and so keeps its stamp.
bool Written(Key& key) {
  return !key.values().empty() || key.subkeys().empty() || key.class_name || key.link;
}

// The keys of a tree in the file's order, without reading any values. They are held, so that a
// change may delete one that comes later.
std::vector<std::shared_ptr<Key>> KeysInOrder(const std::shared_ptr<Key>& root) {
  std::vector<std::shared_ptr<Key>> keys;
  std::vector<std::shared_ptr<Key>> pending{root};
  while (!pending.empty()) {
    std::shared_ptr<Key> key = std::move(pending.back());
    pending.pop_back();
    for (auto it = key->subkeys().rbegin(); it != key->subkeys().rend(); ++it) {
      pending.push_back(it->second);
    }
    keys.push_back(std::move(key));
  }
  return keys;
}

constexpr reg::FileTime kStamp = 0x1dd8899b1fa5ba6;

// Changes to every eleventh key, in the file's order: values set and deleted, subkeys created
// and deleted, stamps moved, and values only read. Every key is made on the way.
void ChangeEveryEleventh(Hive& hive) {
  const std::vector<std::shared_ptr<Key>> keys = KeysInOrder(hive.root);
  for (std::size_t i = 0; i < keys.size(); ++i) {
    Key& key = *keys[i];
    switch (i % 11) {
      case 1:
        key.SetValue({u"Set", platform::kRegSz, std::string("v\0\0\0", 4)});
        key.modified = kStamp;
        break;
      case 3:
        if (!key.values().empty()) key.DeleteValue(key.values().begin()->name);
        break;
      case 5:
        key.AddSubkey(u"New", kStamp)->SetValue({u"", platform::kRegDword, "\1\0\0\0"});
        key.modified = kStamp;
        break;
      case 7:
        if (!key.subkeys().empty() && key.subkeys().rbegin()->second->subkeys().empty()) {
          key.DeleteSubkey(key.subkeys().rbegin()->second->name());
        }
        break;
      case 9:
        key.values();
        break;
      default:
        break;
    }
  }
}

// What an import does: it goes down a few paths by name and changes the keys at their ends,
// and leaves the keys beside them as they were, unmade: the first subkey at each level (a value
// set at the end), the last (a subkey added), both with their stamps moved, and the middle one
// as far as the first key with values (values read on the way, and one deleted there with the
// stamp left and the key's subkeys unmade).
void ChangeAlongPaths(Hive& hive) {
  for (int path = 0; path < 3; ++path) {
    std::shared_ptr<Key> key = hive.root;
    while (!(path == 2 && key->HasValues()) && !key->subkeys().empty()) {
      const std::size_t count = key->subkeys().size();
      const std::size_t index = path == 0 ? 0 : path == 1 ? count - 1 : count / 2;
      if (path == 2) key->FindValue(u"");
      key = key->FindSubkey(key->SubkeyAt(index)->name());
    }
    if (path == 0) key->SetValue({u"Set", platform::kRegSz, std::string("v\0\0\0", 4)});
    if (path == 1) {
      key->AddSubkey(u"New", kStamp)->SetValue({u"", platform::kRegDword, "\1\0\0\0"});
    }
    if (path < 2) key->modified = kStamp;
    if (path == 2 && !key->values().empty()) key->DeleteValue(key->values().begin()->name);
  }
}

struct Change {
  const char* name;
  void (*apply)(Hive&);
};
constexpr Change kChanges[] = {
    {"no change", [](Hive&) {}},
    {"changes to every eleventh key", ChangeEveryEleventh},
    {"changes along a few paths", ChangeAlongPaths},
};

struct Read {
  std::optional<Hive> hive;
  std::string error;
};

Read ReadWith(bool load, std::string_view text) {
  try {
    return {load ? reg::LoadHive(std::make_shared<const platform::FileText>(text))
                 : reg::ParseHive(text),
            {}};
  } catch (const reg::FormatError& error) {
    return {std::nullopt, error.what()};
  }
}

std::string SameHeader(const Hive& a, const Hive& b) {
  return a.relative_to == b.relative_to && a.arch == b.arch ? "" : "the header differs";
}

// Makes the same change to fresh copies of the hive from both readers and compares the saves:
// they must read back as the same registry, and be the same bytes for a file in Wine's form.
std::string CompareChanged(std::string_view text, bool wine_form, const Change& change,
                           reg::FileTime since) {
  Hive changed_reference = reg::ParseHive(text);
  Hive changed_loaded = reg::LoadHive(std::make_shared<const platform::FileText>(text));
  change.apply(changed_reference);
  change.apply(changed_loaded);
  const std::string expected = reg::FormatHive(changed_reference);
  const std::string saved = reg::FormatHive(changed_loaded, reg::KeyText::kCopy);
  const std::string after = std::string(" after ") + change.name;
  if (wine_form) {
    return saved == expected ? "" : "the hive is saved differently" + after;
  }
  const Read reread = ReadWith(false, saved);
  if (!reread.hive) return "the hive saved" + after + " cannot be read: " + reread.error;
  if (std::string difference = SameHeader(*reread.hive, changed_reference); !difference.empty()) {
    return difference;
  }
  if (std::string difference =
          SameTree(*reg::ParseHive(expected).root, *reread.hive->root, since, true);
      !difference.empty()) {
    return "the hive saved" + after + " reads back differently: " + difference;
  }
  return {};
}

}  // namespace

std::string SameTree(Key& first, Key& second, reg::FileTime since, bool written_only) {
  std::vector<std::pair<Key*, Key*>> pending{{&first, &second}};
  while (!pending.empty()) {
    const auto [a, b] = pending.back();
    pending.pop_back();
    const std::string where = " of a key at depth " + std::to_string(pending.size());
    if (a->name() != b->name()) return "the key names differ";
    if (a->class_name != b->class_name || a->link != b->link) return "the class or link" + where;
    const bool stamped = !written_only || Written(*a);
    if (stamped && a->modified != b->modified && (a->modified < since || b->modified < since)) {
      return "the stamp" + where;
    }
    if (a->values().size() != b->values().size()) return "the number of values" + where;
    for (auto x = a->values().begin(), y = b->values().begin(); x != a->values().end(); ++x, ++y) {
      if (x->name != y->name || x->type != y->type || x->data != y->data) {
        return "a value" + where;
      }
    }
    if (a->subkeys().size() != b->subkeys().size()) return "the number of subkeys" + where;
    for (auto x = a->subkeys().begin(), y = b->subkeys().begin(); x != a->subkeys().end();
         ++x, ++y) {
      if (x->first != y->first) return "the order of the subkeys" + where;
      pending.emplace_back(x->second.get(), y->second.get());
    }
  }
  return {};
}

std::string Compare(std::string_view text) {
  const reg::FileTime since = reg::Now();
  const Read reference = ReadWith(false, text);
  const Read loaded = ReadWith(true, text);
  if (reference.error != loaded.error) {
    return "the readers disagree: \"" + reference.error + "\" and \"" + loaded.error + "\"";
  }
  if (!reference.hive) return {};
  if (std::string difference = SameHeader(*reference.hive, *loaded.hive); !difference.empty()) {
    return difference;
  }
  if (std::string difference = SameTree(*reference.hive->root, *loaded.hive->root, since, false);
      !difference.empty()) {
    return "the readers give different keys: " + difference;
  }
  const bool wine_form = reg::FormatHive(*reference.hive) == text;
  for (const Change& change : kChanges) {
    if (std::string difference = CompareChanged(text, wine_form, change, since);
        !difference.empty()) {
      return difference;
    }
  }
  return {};
}

}  // namespace hive_differential
