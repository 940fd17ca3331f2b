#include "platform/posix/wine_registry/tree.h"

#include <algorithm>
#include <chrono>

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

const Value* Key::FindValue(std::u16string_view name) const {
  const auto it = values().find(name);
  return it == values_.end() ? nullptr : &*it;
}

void Key::SetIndex(std::shared_ptr<const SectionIndex> index) {
  index_ = std::move(index);
  runs_.clear();
  if (!index_->entries.empty()) {
    runs_.push_back({0, static_cast<std::uint32_t>(index_->entries.size())});
  }
  subkeys_unread_ = !runs_.empty();
}

void Key::AddSection(const TextSection& section, bool with_values) {
  sections_.push_back(section);
  values_unread_ = values_unread_ || with_values;
}

void Key::MarkRead() {
  changed_ = false;
  read_modified_ = modified;
}

void Key::ReadValues() const {
  values_unread_ = false;
  Key& self = const_cast<Key&>(*this);
  for (const TextSection& section : sections_) ReadSectionValues(self, *index_->text, section);
}

void Key::SetValue(Value value) {
  values();
  changed_ = true;
  StoreValue(std::move(value));
}

void Key::StoreValue(Value value) {
  const auto it = values_.lower_bound(std::u16string_view(value.name));
  if (it == values_.end() || FoldedLess(value.name, it->name)) {
    value_cursor_.Reset();
    values_.insert(it, std::move(value));
  } else {
    // The stored name keeps the case it was created with, as in Wine.
    it->type = value.type;
    it->data = std::move(value.data);
  }
}

bool Key::DeleteValue(std::u16string_view name) {
  values();
  value_cursor_.Reset();
  const auto it = values_.find(name);
  if (it == values_.end()) return false;
  values_.erase(it);
  changed_ = true;
  return true;
}

const Value* Key::ValueAt(std::size_t index) {
  values();
  const auto it = value_cursor_.At(values_, index);
  return it == values_.end() ? nullptr : &*it;
}

std::shared_ptr<Key> Key::FindSubkey(std::u16string_view name) const {
  subkeys();
  const auto it = subkeys_.find(FoldCase(name));
  return it == subkeys_.end() ? nullptr : it->second;
}

std::shared_ptr<Key> Key::AddSubkey(std::u16string_view name, FileTime stamp) {
  subkeys();
  const auto [it, inserted] = subkeys_.try_emplace(FoldCase(name));
  if (inserted) {
    changed_ = true;
    subkey_cursor_.Reset();
    it->second = std::make_shared<Key>(std::u16string(name), stamp);
    it->second->parent_ = this;
  }
  return it->second;
}

bool Key::DeleteSubkey(std::u16string_view name) {
  subkeys();
  const auto it = subkeys_.find(FoldCase(name));
  if (it == subkeys_.end()) return false;
  it->second->deleted = true;
  it->second->parent_ = nullptr;
  subkeys_.erase(it);
  changed_ = true;
  subkey_cursor_.Reset();
  return true;
}

std::shared_ptr<Key> Key::SubkeyAt(std::size_t index) {
  subkeys();
  const auto it = subkey_cursor_.At(subkeys_, index);
  return it == subkeys_.end() ? nullptr : it->second;
}

}  // namespace platform::wine_registry
