#include "tests/common/version_fixture.h"

#include <fstream>

namespace regcorvex::test {
namespace {

void Put16(std::string& out, std::uint32_t value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>(value >> 8 & 0xFF));
}
void Put32(std::string& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}
void Put64(std::string& out, std::uint64_t value) {
  Put32(out, static_cast<std::uint32_t>(value));
  Put32(out, static_cast<std::uint32_t>(value >> 32));
}
void Set16(std::string& out, std::size_t at, std::uint32_t value) {
  out[at] = static_cast<char>(value & 0xFF);
  out[at + 1] = static_cast<char>(value >> 8 & 0xFF);
}
void Set32(std::string& out, std::size_t at, std::uint32_t value) {
  Set16(out, at, value & 0xFFFF);
  Set16(out, at + 2, value >> 16);
}
void PadTo(std::string& out, std::size_t alignment) {
  while (out.size() % alignment != 0) out.push_back('\0');
}
std::string Utf16(const std::u16string& text) {
  std::string bytes;
  for (char16_t unit : text) Put16(bytes, unit);
  return bytes;
}

constexpr std::uint32_t kFixedSignature = 0xFEEF04BD;

}  // namespace

VersionNode StringValue(const std::u16string& key, const std::u16string& value) {
  return {key,
          true,
          Utf16(value) + std::string(2, '\0'),
          static_cast<std::uint16_t>(value.size() + 1),
          {}};
}

VersionNode VersionRoot(std::optional<FixedInfo> fixed, std::vector<VersionNode> children) {
  std::string record;
  if (fixed) {
    for (std::uint32_t field :
         {kFixedSignature, 0x00010000u, fixed->file_version_ms, fixed->file_version_ls,
          fixed->file_version_ms, fixed->file_version_ls, 0x3Fu, fixed->file_flags, 0x4u, 0x1u, 0u,
          0u, 0u}) {
      Put32(record, field);
    }
  }
  const auto length = static_cast<std::uint16_t>(record.size());
  return {u"VS_VERSION_INFO", false, record, length, std::move(children)};
}

VersionNode StringFileInfo(std::vector<VersionNode> tables) {
  return {u"StringFileInfo", true, "", 0, std::move(tables)};
}

VersionNode StringTable(const std::u16string& name, std::vector<VersionNode> values) {
  return {name, true, "", 0, std::move(values)};
}

VersionNode VarFileInfo(const std::vector<std::pair<std::uint16_t, std::uint16_t>>& translations) {
  std::string table;
  for (const auto& [language, code_page] : translations) {
    Put16(table, language);
    Put16(table, code_page);
  }
  const auto length = static_cast<std::uint16_t>(table.size());
  return {u"VarFileInfo", true, "", 0, {{u"Translation", false, table, length, {}}}};
}

std::string Serialize(const VersionNode& node) {
  std::string out;
  Put16(out, 0);
  Put16(out, node.value_length);
  Put16(out, node.text ? 1 : 0);
  out += Utf16(node.key) + std::string(2, '\0');
  PadTo(out, 4);
  out += node.value;
  for (const VersionNode& child : node.children) {
    PadTo(out, 4);
    out += Serialize(child);
  }
  Set16(out, 0, static_cast<std::uint32_t>(out.size()));
  return out;
}

std::string PeWithVersionResource(const std::string& resource) {
  constexpr std::uint32_t kFileAlignment = 0x200, kSectionAddress = 0x1000, kDataAt = 0x58;
  std::string rsrc;
  if (!resource.empty()) {
    // Root (type 16) -> names (1) -> languages (0x0409) -> data entry -> data.
    const std::uint32_t levels[][2] = {{16, 0x80000018}, {1, 0x80000030}, {0x0409, 0x48}};
    for (const auto& level : levels) {
      for (std::uint32_t field : {0u, 0u, 0u}) Put32(rsrc, field);
      Put16(rsrc, 0);
      Put16(rsrc, 1);
      Put32(rsrc, level[0]);
      Put32(rsrc, level[1]);
    }
    for (std::uint32_t field :
         {kSectionAddress + kDataAt, static_cast<std::uint32_t>(resource.size()), 0u, 0u}) {
      Put32(rsrc, field);
    }
    rsrc += resource;
  }
  const auto rsrc_size = static_cast<std::uint32_t>(rsrc.size());
  PadTo(rsrc, kFileAlignment);

  std::string pe(kFileAlignment, '\0');
  pe[0] = 'M';
  pe[1] = 'Z';
  Set32(pe, 0x3C, 0x40);
  pe.replace(0x40, 4, std::string("PE\0\0", 4));
  Set16(pe, 0x44, 0x14C);   // i386
  Set16(pe, 0x46, 1);       // one section
  Set16(pe, 0x54, 0xE0);    // size of the optional header
  Set16(pe, 0x56, 0x2102);  // DLL, 32-bit, executable image
  constexpr std::size_t kOptional = 0x58;
  Set16(pe, kOptional, 0x10B);
  Set32(pe, kOptional + 28, 0x10000000);  // image base
  Set32(pe, kOptional + 32, 0x1000);      // section alignment
  Set32(pe, kOptional + 36, kFileAlignment);
  Set16(pe, kOptional + 40, 4);  // operating system version
  Set16(pe, kOptional + 48, 4);  // subsystem version
  Set32(pe, kOptional + 56, kSectionAddress + ((rsrc_size + 0xFFF) & ~0xFFFu));
  Set32(pe, kOptional + 60, kFileAlignment);  // size of the headers
  Set16(pe, kOptional + 68, 2);               // GUI subsystem
  Set32(pe, kOptional + 92, 16);              // data directories
  if (rsrc_size != 0) {
    Set32(pe, kOptional + 112, kSectionAddress);
    Set32(pe, kOptional + 116, rsrc_size);
  }
  constexpr std::size_t kSection = kOptional + 0xE0;
  pe.replace(kSection, 5, ".rsrc");
  Set32(pe, kSection + 8, rsrc_size);
  Set32(pe, kSection + 12, kSectionAddress);
  Set32(pe, kSection + 16, static_cast<std::uint32_t>(rsrc.size()));
  Set32(pe, kSection + 20, kFileAlignment);
  Set32(pe, kSection + 36, 0x40000040);  // initialised data, readable
  return pe + rsrc;
}

std::string ElfWithSection(const std::string& name, const std::string& contents) {
  const std::string names = std::string(1, '\0') + name + '\0' + ".shstrtab" + '\0';
  std::string elf(
      "\x7f"
      "ELF\x02\x01\x01",
      7);
  elf.resize(64, '\0');
  const std::uint64_t names_at = 64 + contents.size();
  const std::uint64_t headers_at = (names_at + names.size() + 7) & ~std::uint64_t{7};
  Set16(elf, 16, 1);   // relocatable
  Set16(elf, 18, 62);  // x86-64
  Set32(elf, 20, 1);
  std::string shoff;
  Put64(shoff, headers_at);
  elf.replace(0x28, 8, shoff);
  Set16(elf, 0x34, 64);
  Set16(elf, 0x3A, 64);
  Set16(elf, 0x3C, 3);
  Set16(elf, 0x3E, 2);
  elf += contents + names;
  PadTo(elf, 8);
  const auto header = [&](std::uint32_t name_at, std::uint32_t type, std::uint64_t offset,
                          std::uint64_t size) {
    Put32(elf, name_at);
    Put32(elf, type);
    Put64(elf, 0);  // flags
    Put64(elf, 0);  // address
    Put64(elf, offset);
    Put64(elf, size);
    Put32(elf, 0);
    Put32(elf, 0);
    Put64(elf, 1);
    Put64(elf, 0);
  };
  header(0, 0, 0, 0);
  header(1, 1, 64, contents.size());
  header(static_cast<std::uint32_t>(name.size() + 2), 3, names_at, names.size());
  return elf;
}

std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& path) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  std::ifstream in(path, std::ios::binary);
  std::vector<std::uint8_t> bytes(error ? 0 : static_cast<std::size_t>(size));
  if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) {
    return {};
  }
  return bytes;
}

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

}  // namespace regcorvex::test
