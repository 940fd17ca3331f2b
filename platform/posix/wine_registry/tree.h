// The keys and values of one registry hive in memory, kept in the order Wine keeps them: subkeys
// and values sorted by name without regard to case. Keys are shared so that an open handle
// outlives the deletion of its key, which it can then tell by `deleted`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/fill_buffer.h"
#include "platform/win_types.h"

namespace platform::wine_registry {

// A key's modification time: 100-ns ticks since 1601-01-01 UTC, as Wine's "#time=" line.
using FileTime = std::uint64_t;
inline constexpr FileTime kTicksPerSecond = 10'000'000;
inline constexpr FileTime kTicks1601To1970 = 116'444'736'000'000'000;
// Wine accepts a key name one character longer than Windows' limit, and so does its file.
inline constexpr std::size_t kWineMaxKeyNameLength = 256;
// Windows' limit on how deep keys nest; every walk of a tree may go as deep as this.
inline constexpr std::size_t kMaxKeyDepth = 512;
FileTime Now();

// The lower-case form under which Wine compares and sorts key and value names.
std::u16string FoldCase(std::u16string_view name);

// Whether a sorts before b in FoldCase order, without making the folded copies.
bool FoldedLess(std::u16string_view a, std::u16string_view b);

struct Value {
  std::u16string name;  // empty for the default value
  // The type and data change in place in a key's sorted set, which orders by name alone.
  mutable Dword type = kRegNone;
  mutable std::string data;  // the stored bytes; strings are UTF-16LE
};

// Orders values by name as Wine does, and finds them by any spelling of the name.
struct ValueNameOrder {
  using is_transparent = void;
  bool operator()(const Value& a, const Value& b) const { return FoldedLess(a.name, b.name); }
  bool operator()(const Value& a, std::u16string_view b) const { return FoldedLess(a.name, b); }
  bool operator()(std::u16string_view a, const Value& b) const { return FoldedLess(a, b.name); }
};

// Walks a sorted map by position: consecutive positions cost one step each, so enumerating a
// key from 0 upwards stays linear. Any change to the map must call Reset().
template <typename Map>
class Cursor {
 public:
  typename Map::iterator At(Map& map, std::size_t index) {
    if (index >= map.size()) return map.end();
    if (!valid_ || index < index_) {
      it_ = map.begin();
      index_ = 0;
      valid_ = true;
    }
    while (index_ < index) {
      ++it_;
      ++index_;
    }
    return it_;
  }
  void Reset() { valid_ = false; }

 private:
  typename Map::iterator it_{};
  std::size_t index_ = 0;
  bool valid_ = false;
};

// A key's section in the text of a hive file: from the start of its "[path]" line to the end of
// its last line, and the number of that first line.
struct TextSection {
  std::size_t begin = 0;
  std::size_t end = 0;
  int line = 0;
};

// The sections of a hive file in the file's order, as LoadHive found them. A key read from the
// file holds the runs of sections that belong to it and to the keys below it, and makes its
// subkeys from them when first asked for them.
struct SectionIndex {
  struct Entry {
    TextSection section;
    std::uint16_t depth = 0;   // how many names the section's path has
    std::uint16_t shared = 0;  // how many leading names it spells as the section before it does
    bool with_values = false;
  };
  // Entries [first, end) of the index.
  struct Run {
    std::uint32_t first = 0;
    std::uint32_t end = 0;
  };
  std::shared_ptr<const FileText> text;
  std::vector<Entry, FillBufferAllocator<Entry>> entries;
};

class Key;
class HiveReader;

// What a key read from a hive file keeps of the file: the sections that say what it holds, which
// it reads its values and subkeys from at their first use, and what tells whether it changed
// since. A key made by the program has none of it.
struct KeySource {
  std::shared_ptr<const SectionIndex> index;  // of the file's sections; null for a key not read
  std::vector<TextSection> sections;          // the key's own
  std::vector<SectionIndex::Run> runs;        // of the key and every key below it
  std::size_t depth = 0;                      // how many names its path has
  bool values_unread = false;
  bool subkeys_unread = false;
  bool changed = false;  // since MarkRead: a value or a subkey added or removed
  FileTime read_modified = 0;
};

class Key {
 public:
  using Values = std::set<Value, ValueNameOrder>;
  using Subkeys = std::map<std::u16string, std::shared_ptr<Key>>;  // by FoldCase(name)

  Key(std::u16string name, FileTime stamp) : modified(stamp), name_(std::move(name)) {}
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;

  const std::u16string& name() const { return name_; }
  // The key that holds this one; null for a hive's root and for a deleted key.
  Key* parent() const { return parent_; }
  // The values and subkeys of a key read from a file are read from its sections at their first
  // use, which is why even looking at them is no const operation.
  const Values& values() { return Loaded(Part::kValues).values; }
  const Subkeys& subkeys() { return Loaded(Part::kSubkeys).subkeys; }
  // Whether the key holds a value, without reading them.
  bool HasValues() const { return source_.values_unread || !contents_.values.empty(); }

  const Value* FindValue(std::u16string_view name);
  void SetValue(Value value);
  bool DeleteValue(std::u16string_view name);
  const Value* ValueAt(std::size_t index);

  std::shared_ptr<Key> FindSubkey(std::u16string_view name);
  // The subkey of that name, created with the stamp `modified` when missing.
  std::shared_ptr<Key> AddSubkey(std::u16string_view name, FileTime modified);
  // Detaches the subkey and marks it deleted; false when there is none of that name.
  bool DeleteSubkey(std::u16string_view name);
  std::shared_ptr<Key> SubkeyAt(std::size_t index);

  // For the root of a hive read from a file: every section of the file belongs to it or to a key
  // below it. Its own sections are added one by one, as a subkey's are when it is made.
  void SetIndex(std::shared_ptr<const SectionIndex> index);
  void AddSection(const TextSection& section, bool with_values);
  // The key as the file left it: what changes from here on tells an untouched key.
  void MarkRead();
  // The key's own sections in the file it was read from; empty for a key no section names.
  const std::vector<TextSection>& sections() const { return source_.sections; }
  // The sections of the key and of every key below it, in runs; empty for a key not read.
  const std::vector<SectionIndex::Run>& runs() const { return source_.runs; }
  const SectionIndex* index() const { return source_.index.get(); }
  std::string_view text() const {
    return source_.index ? std::string_view(*source_.index->text) : "";
  }
  // Whether nothing about the key changed since MarkRead: not its values, its subkeys or its stamp.
  bool Untouched() const {
    return !source_.sections.empty() && !source_.changed && modified == source_.read_modified;
  }
  // Whether the runs of the key still stand for it and everything below it: nothing changed the
  // key, and no key below it was ever made, so none could have changed.
  bool SubtreeUntouched() const {
    return source_.subkeys_unread && !source_.changed && modified == source_.read_modified;
  }

  FileTime modified;
  std::optional<std::u16string> class_name;  // "#class=" of the file
  bool link = false;                         // "#link": a symbolic link to another key
  bool deleted = false;

 private:
  friend class HiveReader;
  struct Contents {
    Values values;
    Subkeys subkeys;
  };
  enum class Part { kValues, kSubkeys };
  // The one way to the values and the subkeys: the part asked for is read from the file's text
  // first when it is still there. Every accessor and every change passes here.
  Contents& Loaded(Part part);
  // Stores the value without counting it as a change: for the reader.
  void StoreValue(Value value);

  std::u16string name_;
  Key* parent_ = nullptr;
  KeySource source_;
  Contents contents_;  // only through Loaded(), but for the reader that fills it
  Cursor<Values> value_cursor_;
  Cursor<Subkeys> subkey_cursor_;
};

// One hive file's contents: its header lines and its key tree.
struct Hive {
  std::string relative_to;  // the path after ";; All keys relative to ", as written
  std::string arch;         // "win32", "win64", or empty when the file has no "#arch=" line
  std::shared_ptr<Key> root = std::make_shared<Key>(u"", 0);
};

}  // namespace platform::wine_registry
