#include "platform/posix/wine_registry/tree.h"

#include <algorithm>
#include <chrono>

#include "platform/posix/wine_registry/read.h"

namespace platform::wine_registry {
namespace {

// Lower case for the scripts a registry name is likely to use: Latin (ASCII, Latin-1,
// Latin Extended-A), Greek and Cyrillic. Other characters compare as they are. Wine compares
// lower-cased names, which puts "_" before the letters.
char16_t LowerUnit(char16_t c) {
  if (c < 0x80) return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 0x20) : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 0x20);
  if (c == 0x178) return 0xFF;
  const bool in_even_pairs = (c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177);
  if (in_even_pairs) return static_cast<char16_t>(c | 1u);
  const bool in_odd_pairs = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
  if (in_odd_pairs && c % 2 == 1) return static_cast<char16_t>(c + 1);
  if ((c >= 0x391 && c <= 0x3A9 && c != 0x3A2) || (c >= 0x410 && c <= 0x42F)) {
    return static_cast<char16_t>(c + 0x20);
  }
  if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 0x50);
  return c;
}

}  // namespace

FileTime Now() {
  const auto since_1970 = std::chrono::duration_cast<std::chrono::nanoseconds>(
      std::chrono::system_clock::now().time_since_epoch());
  return kTicks1601To1970 + static_cast<FileTime>(since_1970.count() / 100);
}

std::u16string FoldCase(std::u16string_view name) {
  std::u16string folded(name);
  for (char16_t& c : folded) c = LowerUnit(c);
  return folded;
}

bool FoldedLess(std::u16string_view a, std::u16string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    if (a[i] == b[i]) continue;  // most names that meet share a prefix spelt alike
    const char16_t left = LowerUnit(a[i]);
    const char16_t right = LowerUnit(b[i]);
    if (left != right) return left < right;
  }
  return a.size() < b.size();
}

Key::Contents& Key::Loaded(Part part) {
  if (part == Part::kValues && source_.values_unread) {
    source_.values_unread = false;
    HiveReader::ReadValues(*this);
  } else if (part == Part::kSubkeys && source_.subkeys_unread) {
    source_.subkeys_unread = false;
    subkey_cursor_.Reset();
    HiveReader::ReadSubkeys(*this);
  }
  return contents_;
}

const Value* Key::FindValue(std::u16string_view name) {
  const Values& values = Loaded(Part::kValues).values;
  const auto it = values.find(name);
  return it == values.end() ? nullptr : &*it;
}

void Key::SetIndex(std::shared_ptr<const SectionIndex> index) {
  source_.index = std::move(index);
  source_.runs.clear();
  if (!source_.index->entries.empty()) {
    source_.runs.push_back({0, static_cast<std::uint32_t>(source_.index->entries.size())});
  }
  source_.subkeys_unread = !source_.runs.empty();
}

void Key::AddSection(const TextSection& section, bool with_values) {
  source_.sections.push_back(section);
  source_.values_unread = source_.values_unread || with_values;
}

void Key::MarkRead() {
  source_.changed = false;
  source_.read_modified = modified;
}

void Key::SetValue(Value value) {
  Loaded(Part::kValues);
  source_.changed = true;
  StoreValue(std::move(value));
}

void Key::StoreValue(Value value) {
  Values& values = contents_.values;
  const auto it = values.lower_bound(std::u16string_view(value.name));
  if (it == values.end() || FoldedLess(value.name, it->name)) {
    value_cursor_.Reset();
    values.insert(it, std::move(value));
  } else {
    // The stored name keeps the case it was created with, as in Wine.
    it->type = value.type;
    it->data = std::move(value.data);
  }
}

bool Key::DeleteValue(std::u16string_view name) {
  Values& values = Loaded(Part::kValues).values;
  value_cursor_.Reset();
  const auto it = values.find(name);
  if (it == values.end()) return false;
  values.erase(it);
  source_.changed = true;
  return true;
}

const Value* Key::ValueAt(std::size_t index) {
  Values& values = Loaded(Part::kValues).values;
  const auto it = value_cursor_.At(values, index);
  return it == values.end() ? nullptr : &*it;
}

std::shared_ptr<Key> Key::FindSubkey(std::u16string_view name) {
  const Subkeys& subkeys = Loaded(Part::kSubkeys).subkeys;
  const auto it = subkeys.find(FoldCase(name));
  return it == subkeys.end() ? nullptr : it->second;
}

std::shared_ptr<Key> Key::AddSubkey(std::u16string_view name, FileTime stamp) {
  Subkeys& subkeys = Loaded(Part::kSubkeys).subkeys;
  const auto [it, inserted] = subkeys.try_emplace(FoldCase(name));
  if (inserted) {
    source_.changed = true;
    subkey_cursor_.Reset();
    it->second = std::make_shared<Key>(std::u16string(name), stamp);
    it->second->parent_ = this;
  }
  return it->second;
}

bool Key::DeleteSubkey(std::u16string_view name) {
  Subkeys& subkeys = Loaded(Part::kSubkeys).subkeys;
  const auto it = subkeys.find(FoldCase(name));
  if (it == subkeys.end()) return false;
  it->second->deleted = true;
  it->second->parent_ = nullptr;
  subkeys.erase(it);
  source_.changed = true;
  subkey_cursor_.Reset();
  return true;
}

std::shared_ptr<Key> Key::SubkeyAt(std::size_t index) {
  Subkeys& subkeys = Loaded(Part::kSubkeys).subkeys;
  const auto it = subkey_cursor_.At(subkeys, index);
  return it == subkeys.end() ? nullptr : it->second;
}

}  // namespace platform::wine_registry
