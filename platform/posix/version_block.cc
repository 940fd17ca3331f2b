// VS_VERSIONINFO is a tree of nodes: a header (wLength, wValueLength, wType), a UTF-16 key, the
// value and the children, each part starting on a 4-byte boundary of the node. wValueLength
// counts characters for text values (wType 1) and bytes otherwise. Every node is read within its
// parent, and the whole tree within the root's length, so a lying length cannot lead outside.
#include "platform/posix/version_block.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/code_page.h"
#include "platform/posix/elf_section.h"
#include "platform/posix/pe_resource.h"
#include "platform/posix/version_bytes.h"

namespace platform {
namespace {

constexpr std::uint16_t kVersionType = 16;  // RT_VERSION
constexpr std::uint16_t kVersionName = 1;   // VS_VERSION_INFO
constexpr std::size_t kHeaderSize = 6;
constexpr std::size_t kMarkerSize = 4;
constexpr char kMarker[kMarkerSize] = {'F', 'E', '2', 'X'};
constexpr std::uint8_t kFirstAnsiKeyByte = 0x20;      // a 16-bit (ANSI) tree has its key at byte 4
constexpr std::size_t kLargestResource = 0x7FFFFFF0;  // twice this and 4 still fit a Dword
constexpr std::uint8_t kElfMagic[] = {0x7F, 'E', 'L', 'F'};

std::size_t Align4(std::size_t n) { return (n + 3) & ~std::size_t{3}; }

struct Node {
  std::size_t end;   // the node's end, cut at its parent's end
  std::size_t next;  // where its next sibling starts
  std::u16string key;
  bool text;
  std::size_t value;       // where the value starts, at most end
  std::size_t value_size;  // bytes of the value that lie inside the node
  std::size_t children;
};

// The node at begin; nullopt when its header or key does not fit before limit.
std::optional<Node> ReadNode(const ByteView& bytes, std::size_t begin, std::size_t limit) {
  if (begin > limit || limit - begin < kHeaderSize) return std::nullopt;
  const std::uint16_t length = bytes.U16(begin);
  if (length < kHeaderSize) return std::nullopt;
  Node node;
  node.end = std::min(begin + length, limit);
  node.next = begin + Align4(length);
  node.text = bytes.U16(begin + 4) != 0;
  std::size_t at = begin + kHeaderSize;
  for (;; at += 2) {
    if (at + 2 > node.end) return std::nullopt;
    const char16_t unit = bytes.U16(at);
    if (unit == 0) break;
    node.key.push_back(unit);
  }
  const std::size_t value = begin + Align4(at + 2 - begin);
  const std::size_t declared = std::size_t{bytes.U16(begin + 2)} * (node.text ? 2 : 1);
  node.value = std::min(value, node.end);
  node.value_size = std::min(declared, node.end - node.value);
  if (node.text) node.value_size &= ~std::size_t{1};
  node.children = value + Align4(declared);
  return node;
}

// Case folding of the keys: ASCII and Latin-1 letters.
char16_t Fold(char16_t c) {
  const bool upper = (c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7);
  return upper ? static_cast<char16_t>(c + 0x20) : c;
}

bool SameKey(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](char16_t x, char16_t y) { return Fold(x) == Fold(y); });
}

std::optional<Node> FindChild(const ByteView& bytes, const Node& parent, std::u16string_view key) {
  for (std::size_t at = parent.children; at < parent.end;) {
    auto child = ReadNode(bytes, at, parent.end);
    if (!child) return std::nullopt;
    if (SameKey(child->key, key)) return child;
    at = child->next;
  }
  return std::nullopt;
}

std::uint16_t RootLength(const void* block) {
  std::uint16_t length;
  std::memcpy(&length, block, sizeof length);
  return length;
}

}  // namespace

std::optional<std::span<const std::uint8_t>> FindVersionResource(const ReadBytesAt& read,
                                                                 std::uint64_t size) {
  std::optional<std::span<const std::uint8_t>> resource;
  try {
    if (size >= sizeof kElfMagic &&
        std::equal(kElfMagic, kElfMagic + sizeof kElfMagic, read(0, sizeof kElfMagic).begin())) {
      const auto range = LocateElfSection(read, kElfVersionSection);
      if (range && range->size <= kLargestResource) resource = read(range->offset, range->size);
    } else {
      resource = FindPeResource(read(0, size), kVersionType, kVersionName);
    }
  } catch (const MalformedBytes&) {
    return std::nullopt;
  }
  if (!resource || resource->size() > kLargestResource) return std::nullopt;
  try {
    const ByteView bytes(*resource);
    const std::uint16_t root_length = bytes.U16(0);
    if (bytes.U8(4) >= kFirstAnsiKeyByte || root_length > resource->size() ||
        !ReadNode(bytes, 0, root_length)) {
      return std::nullopt;
    }
  } catch (const MalformedBytes&) {
    return std::nullopt;
  }
  return resource;
}

std::optional<std::span<const std::uint8_t>> FindVersionResource(
    std::span<const std::uint8_t> file) {
  return FindVersionResource(ReadFromMemory(file), file.size());
}

Dword VersionBlockSize(std::span<const std::uint8_t> resource) {
  return static_cast<Dword>(resource.size() * 2 + kMarkerSize);
}

void FillVersionBlock(std::span<const std::uint8_t> resource, std::span<std::uint8_t> block) {
  std::fill(block.begin(), block.end(), std::uint8_t{0});
  std::copy(resource.begin(), resource.end(), block.begin());
  std::memcpy(block.data() + RootLength(resource.data()), kMarker, kMarkerSize);
}

bool QueryVersionBlock(void* block, const char* sub_block, void** buffer, unsigned* length) {
  if (length != nullptr) *length = 0;
  if (block == nullptr) return false;
  auto* const bytes_start = static_cast<std::uint8_t*>(block);
  const std::size_t root_length = RootLength(block);
  const ByteView bytes({bytes_start, root_length});
  auto node = ReadNode(bytes, 0, root_length);
  std::string_view rest = sub_block != nullptr ? sub_block : "";
  while (node && !rest.empty()) {
    const std::size_t slash = rest.find('\\');
    const std::string_view component = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    if (!component.empty()) node = FindChild(bytes, *node, AnsiToWide(component));
  }
  if (!node) return false;
  if (!node->text) {
    *buffer = bytes_start + node->value;
    if (length != nullptr) *length = static_cast<unsigned>(node->value_size);
    return true;
  }
  std::u16string wide(node->value_size / 2, u'\0');
  for (std::size_t i = 0; i < wide.size(); ++i) wide[i] = bytes.U16(node->value + 2 * i);
  const std::string ansi = WideToAnsi(wide);
  std::uint8_t* const target = bytes_start + root_length + kMarkerSize + node->value;
  std::memcpy(target, ansi.data(), ansi.size());
  *buffer = target;
  if (length != nullptr) *length = static_cast<unsigned>(ansi.size());
  return true;
}

}  // namespace platform
