#include "platform/posix/hive_tree.h"

#include <algorithm>
#include <ctime>
#include <iterator>

namespace platform {
namespace {

// The index-th element of map, walking on from the cursor when it lies behind the index.
template <typename Map>
const typename Map::mapped_type* ElementAt(const Map& map, std::size_t index,
                                           std::size_t& cursor_index,
                                           typename Map::const_iterator& cursor) {
  if (index >= map.size()) return nullptr;
  if (cursor_index > index || cursor_index >= map.size() || cursor == map.end()) {
    cursor = map.begin();
    cursor_index = 0;
  }
  cursor = std::next(cursor, static_cast<std::ptrdiff_t>(index - cursor_index));
  cursor_index = index;
  return &cursor->second;
}

}  // namespace

// Simple upper-case mappings of the alphabets a registry name is likely to hold: Latin (with
// Latin-1 and Latin Extended-A), Greek and Cyrillic.
char16_t UpcaseUnit(char16_t c) {
  if (c < 0x80) return c >= 'a' && c <= 'z' ? static_cast<char16_t>(c - 0x20) : c;
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7) || (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) ||
      (c >= 0x430 && c <= 0x44F)) {
    return static_cast<char16_t>(c - 0x20);
  }
  if (c == 0xFF) return 0x178;
  if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
  const bool odd = (c & 1) != 0;
  if ((c >= 0x100 && c <= 0x137 && odd) || (c >= 0x14A && c <= 0x177 && odd) ||
      (c >= 0x139 && c <= 0x148 && !odd) || (c >= 0x179 && c <= 0x17E && !odd) ||
      (c >= 0x460 && c <= 0x4FF && odd)) {
    return static_cast<char16_t>(c - 1);
  }
  return c;
}

int CompareNames(std::u16string_view a, std::u16string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const int difference = UpcaseUnit(a[i]) - UpcaseUnit(b[i]);
    if (difference != 0) return difference;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

std::uint64_t FileTimeNow() {
  constexpr std::uint64_t kUnixEpoch = 116444736000000000ull;  // 1970 in 100 ns since 1601
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return kUnixEpoch + static_cast<std::uint64_t>(now.tv_sec) * 10000000ull +
         static_cast<std::uint64_t>(now.tv_nsec) / 100;
}

HiveKey::HiveKey(std::u16string name, HiveKey* parent, std::uint64_t modified)
    : name_(std::move(name)),
      parent_(parent),
      modified_(modified),
      subkey_cursor_(subkeys_.end()),
      value_cursor_(values_.end()) {}

bool HiveKey::IsLink() const {
  return std::find(options_.begin(), options_.end(), "#link") != options_.end();
}

HiveKey* HiveKey::FindSubkey(std::u16string_view name) const {
  const auto found = subkeys_.find(name);
  return found != subkeys_.end() ? found->second.get() : nullptr;
}

const HiveKey* HiveKey::SubkeyAt(std::size_t index) const {
  const auto* subkey = ElementAt(subkeys_, index, subkey_cursor_index_, subkey_cursor_);
  return subkey != nullptr ? subkey->get() : nullptr;
}

HiveKey* HiveKey::AddSubkey(std::u16string_view name, std::uint64_t modified, bool* created) {
  // Files list keys in Wine's order, so a load mostly appends: try the end first.
  auto hint = subkeys_.end();
  if (!subkeys_.empty() && CompareNames(std::prev(hint)->first, name) >= 0) {
    hint = subkeys_.lower_bound(name);
    if (hint != subkeys_.end() && CompareNames(hint->first, name) == 0) {
      if (created != nullptr) *created = false;
      return hint->second.get();
    }
  }
  std::u16string owned(name);
  auto key = std::make_unique<HiveKey>(owned, this, modified);
  const auto inserted = subkeys_.emplace_hint(hint, std::move(owned), std::move(key));
  subkey_cursor_ = subkeys_.end();
  if (created != nullptr) *created = true;
  return inserted->second.get();
}

std::unique_ptr<HiveKey> HiveKey::RemoveSubkey(const HiveKey* subkey) {
  const auto found = subkeys_.find(subkey->name());
  if (found == subkeys_.end() || found->second.get() != subkey) return nullptr;
  std::unique_ptr<HiveKey> detached = std::move(found->second);
  subkeys_.erase(found);
  subkey_cursor_ = subkeys_.end();
  return detached;
}

const HiveValue* HiveKey::FindValue(std::u16string_view name) const {
  const auto found = values_.find(name);
  return found != values_.end() ? &found->second : nullptr;
}

const HiveValue* HiveKey::ValueAt(std::size_t index) const {
  return ElementAt(values_, index, value_cursor_index_, value_cursor_);
}

bool HiveKey::SetValue(HiveValue value) {
  auto hint = values_.end();
  if (!values_.empty() && CompareNames(std::prev(hint)->first, value.name) >= 0) {
    hint = values_.lower_bound(value.name);
    if (hint != values_.end() && CompareNames(hint->first, value.name) == 0) {
      // As Wine: the name keeps its first spelling, and equal data is no change.
      HiveValue& existing = hint->second;
      if (existing.type == value.type && existing.data == value.data) return false;
      existing.type = value.type;
      existing.data = std::move(value.data);
      return true;
    }
  }
  std::u16string name = value.name;
  values_.emplace_hint(hint, std::move(name), std::move(value));
  value_cursor_ = values_.end();
  return true;
}

bool HiveKey::RemoveValue(std::u16string_view name) {
  const auto found = values_.find(name);
  if (found == values_.end()) return false;
  values_.erase(found);
  value_cursor_ = values_.end();
  return true;
}

}  // namespace platform
