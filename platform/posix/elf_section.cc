// The ELF layout: the file header gives the section header table and the index of the section
// that holds the section names.
#include "platform/posix/elf_section.h"

#include "platform/posix/version_bytes.h"

namespace platform {
namespace {

constexpr std::uint32_t kElfMagic = 0x464C457F;  // "\x7f" "ELF"
constexpr std::uint8_t kClass32 = 1;
constexpr std::uint8_t kClass64 = 2;
constexpr std::uint8_t kLittleEndian = 1;
constexpr std::uint64_t kIdentSize = 16;
constexpr std::uint32_t kNoBits = 8;  // SHT_NOBITS: the section takes no room in the file

struct SectionHeader {
  std::uint32_t name;
  std::uint32_t type;
  FileRange contents;
};

// The section header table of a 32- or 64-bit file.
class Sections {
 public:
  explicit Sections(const ReadBytesAt& read) : read_(read) {
    const ByteView ident(read(0, kIdentSize));
    if (ident.U32(0) != kElfMagic || ident.U8(5) != kLittleEndian) throw MalformedBytes();
    wide_ = ident.U8(4) == kClass64;
    if (!wide_ && ident.U8(4) != kClass32) throw MalformedBytes();
    const ByteView header(read(0, wide_ ? 0x40 : 0x34));
    const std::uint64_t table = wide_ ? header.U64(0x28) : header.U32(0x20);
    entry_size_ = header.U16(wide_ ? 0x3A : 0x2E);
    count_ = header.U16(wide_ ? 0x3C : 0x30);
    names_index_ = header.U16(wide_ ? 0x3E : 0x32);
    if (entry_size_ < (wide_ ? 64u : 40u) || names_index_ >= count_) throw MalformedBytes();
    table_ = ByteView(read(table, std::uint64_t{entry_size_} * count_));
  }

  std::uint16_t count() const { return count_; }
  std::uint16_t names_index() const { return names_index_; }

  SectionHeader At(std::uint16_t index) const {
    const std::uint64_t header = std::uint64_t{entry_size_} * index;
    if (wide_) {
      return {table_.U32(header),
              table_.U32(header + 4),
              {table_.U64(header + 0x18), table_.U64(header + 0x20)}};
    }
    return {table_.U32(header),
            table_.U32(header + 4),
            {table_.U32(header + 0x10), table_.U32(header + 0x14)}};
  }

  std::span<const std::uint8_t> Contents(const SectionHeader& section) const {
    if (section.type == kNoBits) throw MalformedBytes();
    return read_(section.contents.offset, section.contents.size);
  }

 private:
  const ReadBytesAt& read_;
  bool wide_ = false;
  ByteView table_{{}};
  std::uint16_t entry_size_ = 0;
  std::uint16_t count_ = 0;
  std::uint16_t names_index_ = 0;
};

bool NameIs(std::span<const std::uint8_t> names, std::uint32_t offset, std::string_view name) {
  if (offset > names.size() || names.size() - offset <= name.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (names[offset + i] != static_cast<std::uint8_t>(name[i])) return false;
  }
  return names[offset + name.size()] == 0;
}

}  // namespace

std::optional<FileRange> LocateElfSection(const ReadBytesAt& read, std::string_view name) {
  try {
    const Sections sections(read);
    const auto names = sections.Contents(sections.At(sections.names_index()));
    for (std::uint16_t i = 0; i < sections.count(); ++i) {
      const SectionHeader section = sections.At(i);
      if (!NameIs(names, section.name, name)) continue;
      if (section.type == kNoBits) return std::nullopt;
      return section.contents;
    }
  } catch (const MalformedBytes&) {
  }
  return std::nullopt;
}

std::optional<std::span<const std::uint8_t>> FindElfSection(std::span<const std::uint8_t> file,
                                                            std::string_view name) {
  const auto range = LocateElfSection(ReadFromMemory(file), name);
  if (!range) return std::nullopt;
  try {
    return ByteView(file).Slice(range->offset, range->size);
  } catch (const MalformedBytes&) {
    return std::nullopt;
  }
}

ReadBytesAt ReadFromMemory(std::span<const std::uint8_t> file) {
  return [file](std::uint64_t offset, std::uint64_t size) {
    return ByteView(file).Slice(offset, size);
  };
}

}  // namespace platform
