// The PE layout as the loader reads it: the DOS header points to the NT headers, whose optional
// header holds the resource directory's address; addresses are mapped onto the file through the
// section table.
#include "platform/posix/pe_resource.h"

#include "platform/posix/version_bytes.h"

namespace platform {
namespace {

constexpr std::uint16_t kDosMagic = 0x5A4D;         // "MZ"
constexpr std::uint32_t kNtSignature = 0x00004550;  // "PE\0\0"
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::uint32_t kResourceDirectoryIndex = 2;
constexpr std::uint32_t kSubdirectoryBit = 0x80000000u;
constexpr std::uint16_t kPreferredLanguages[] = {0x0000, 0x0409, 0x0009};

// Relative virtual addresses onto file offsets, through the raw data of the sections.
class SectionTable {
 public:
  SectionTable(const ByteView& file, std::uint64_t table, std::uint16_t count)
      : file_(file), table_(table), count_(count) {}

  // The file bytes from rva to the end of its section's raw data.
  std::span<const std::uint8_t> ToSectionEnd(std::uint32_t rva) const {
    for (std::uint16_t i = 0; i < count_; ++i) {
      const std::uint64_t header = table_ + 40ull * i;
      const std::uint32_t address = file_.U32(header + 12);
      const std::uint32_t raw_size = file_.U32(header + 16);
      const std::uint32_t raw_offset = file_.U32(header + 20);
      if (rva >= address && rva - address < raw_size) {
        const std::uint32_t skip = rva - address;
        return file_.Slice(std::uint64_t{raw_offset} + skip, raw_size - skip);
      }
    }
    throw MalformedBytes();
  }

 private:
  const ByteView& file_;
  std::uint64_t table_;
  std::uint16_t count_;
};

// The OffsetToData field of the directory entry with the given numeric id, if any.
std::optional<std::uint32_t> FindEntry(const ByteView& resources, std::uint32_t directory,
                                       std::uint16_t id) {
  const std::uint32_t named = resources.U16(std::uint64_t{directory} + 12);
  const std::uint32_t ids = resources.U16(std::uint64_t{directory} + 14);
  for (std::uint32_t i = named; i < named + ids; ++i) {
    const std::uint64_t entry = std::uint64_t{directory} + 16 + 8ull * i;
    if (resources.U32(entry) == id) return resources.U32(entry + 4);
  }
  return std::nullopt;
}

std::uint32_t Subdirectory(std::optional<std::uint32_t> entry) {
  if (!entry || (*entry & kSubdirectoryBit) == 0) throw MalformedBytes();
  return *entry & ~kSubdirectoryBit;
}

std::uint32_t LanguageEntry(const ByteView& resources, std::uint32_t directory) {
  for (const std::uint16_t language : kPreferredLanguages) {
    if (const auto entry = FindEntry(resources, directory, language)) return *entry;
  }
  const std::uint32_t count =
      resources.U16(std::uint64_t{directory} + 12) + resources.U16(std::uint64_t{directory} + 14);
  if (count == 0) throw MalformedBytes();
  return resources.U32(std::uint64_t{directory} + 16 + 4);
}

std::span<const std::uint8_t> Find(const ByteView& file, std::uint16_t type, std::uint16_t name) {
  if (file.U16(0) != kDosMagic) throw MalformedBytes();
  const std::uint64_t nt = file.U32(0x3C);
  if (file.U32(nt) != kNtSignature) throw MalformedBytes();
  const std::uint16_t section_count = file.U16(nt + 6);
  const std::uint16_t optional_size = file.U16(nt + 20);
  const std::uint64_t optional = nt + 24;
  const std::uint16_t magic = file.U16(optional);
  if (magic != kPe32Magic && magic != kPe32PlusMagic) throw MalformedBytes();
  const std::uint64_t directories = optional + (magic == kPe32Magic ? 96 : 112);
  const std::uint64_t directory = directories + 8 * kResourceDirectoryIndex;
  if (file.U32(directories - 4) <= kResourceDirectoryIndex ||
      directory + 8 > optional + optional_size) {
    throw MalformedBytes();
  }
  const std::uint32_t root_rva = file.U32(directory);
  if (file.U32(directory + 4) == 0) throw MalformedBytes();

  const SectionTable sections(file, optional + optional_size, section_count);
  const ByteView resources(sections.ToSectionEnd(root_rva));
  const std::uint32_t names = Subdirectory(FindEntry(resources, 0, type));
  const std::uint32_t languages = Subdirectory(FindEntry(resources, names, name));
  const std::uint32_t data_entry = LanguageEntry(resources, languages);
  if ((data_entry & kSubdirectoryBit) != 0) throw MalformedBytes();
  const std::uint32_t data_rva = resources.U32(data_entry);
  const std::uint32_t data_size = resources.U32(std::uint64_t{data_entry} + 4);
  return ByteView(sections.ToSectionEnd(data_rva)).Slice(0, data_size);
}

}  // namespace

std::optional<std::span<const std::uint8_t>> FindPeResource(std::span<const std::uint8_t> file,
                                                            std::uint16_t type,
                                                            std::uint16_t name) {
  try {
    return Find(ByteView(file), type, name);
  } catch (const MalformedBytes&) {
    return std::nullopt;
  }
}

}  // namespace platform
