// The reader of untrusted files behind the native version functions: PE resource directories, ELF
// section tables and VS_VERSIONINFO trees that are truncated or lie about their sizes are refused
// or read within their bounds (the sanitizers catch any read outside), and nothing loops.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/posix/elf_section.h"
#include "platform/posix/pe_resource.h"
#include "platform/posix/version_block.h"
#include "tests/common/version_fixture.h"

namespace regcorvex {
namespace {

using test::Bytes;

const char* const kPaths[] = {
    "\\",
    "\\VarFileInfo\\Translation",
    "\\StringFileInfo\\040904E4\\ProductName",
    "StringFileInfo\\040904E4\\FileVersion",
    "\\StringFileInfo",
    "\\StringFileInfo\\040904E4\\",
};

std::string Resource() {
  using namespace test;
  return Serialize(VersionRoot(
      FixedInfo{0x00050007, 1, 0},
      {StringFileInfo({StringTable(u"040904E4", {StringValue(u"ProductName", u"Corvane 5"),
                                                 StringValue(u"FileVersion", u"5.7.0.1")})}),
       VarFileInfo({{0x0409, 0x04E4}})}));
}

// Finds the resource and, when there is one, fills a block and queries every path, as the
// version functions would.
bool ReadAll(const std::vector<std::uint8_t>& file) {
  const auto resource = platform::FindVersionResource(file);
  if (!resource) return false;
  std::vector<std::uint8_t> block(platform::VersionBlockSize(*resource));
  platform::FillVersionBlock(*resource, block);
  for (const char* path : kPaths) {
    void* value = nullptr;
    unsigned length = 0;
    if (platform::QueryVersionBlock(block.data(), path, &value, &length)) {
      const auto* bytes = static_cast<const std::uint8_t*>(value);
      EXPECT_GE(bytes, block.data());
      EXPECT_LE(bytes + length, block.data() + block.size());
    }
  }
  return true;
}

void Patch32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
  std::memcpy(bytes.data() + at, &value, sizeof value);
}
void Patch16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value) {
  std::memcpy(bytes.data() + at, &value, sizeof value);
}

// Offsets in the file that PeWithVersionResource writes.
constexpr std::size_t kRsrc = 0x200, kResourceData = kRsrc + 0x58;

TEST(PeResourceTest, FindsTheVersionResource) {
  const std::string resource = Resource();
  const auto file = Bytes(test::PeWithVersionResource(resource));
  const auto found = platform::FindVersionResource(file);
  ASSERT_TRUE(found);
  EXPECT_EQ(std::string(found->begin(), found->end()), resource);
  EXPECT_EQ(platform::VersionBlockSize(*found), resource.size() * 2 + 4);
}

TEST(PeResourceTest, RefusesLyingHeaders) {
  const std::string resource = Resource();
  const struct {
    const char* label;
    std::size_t at;
    std::uint32_t value;
    int width;
  } cases[] = {
      {"NT headers past the end", 0x3C, 0xFFFFFFF0, 32},
      {"unknown optional header", 0x58, 0x0107, 16},
      {"optional header too short for the directory", 0x54, 0x60, 16},
      {"too few data directories", 0x58 + 92, 2, 32},
      {"resource directory outside every section", 0x58 + 112, 0x9000, 32},
      {"section raw data past the end", 0x138 + 20, 0x7FFFFFF0, 32},
      {"section raw size past the end", 0x138 + 16, 0xFFFFFFFF, 32},
      {"directory entries run past the section", kRsrc + 12, 0xFFFF, 16},
      {"type entry is no directory", kRsrc + 20, 0x18, 32},
      {"name directory past the section", kRsrc + 20, 0x8FFFFFFF, 32},
      {"name entry points back at its own directory", kRsrc + 0x2C, 0x80000018, 32},
      {"language entry is a directory", kRsrc + 0x44, 0x80000030, 32},
      {"data larger than its section", kRsrc + 0x4C, 0x10000, 32},
      {"data address outside every section", kRsrc + 0x48, 0x20, 32},
      {"root length beyond the resource", kResourceData, 0xFFFF, 16},
      {"root length below a header", kResourceData, 4, 16},
      {"root key without its end", kResourceData, 8, 16},
      {"resource in the 16-bit form", kResourceData + 4, 0x53, 16},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    auto file = Bytes(test::PeWithVersionResource(resource));
    if (c.width == 16) {
      Patch16(file, c.at, static_cast<std::uint16_t>(c.value));
    } else {
      Patch32(file, c.at, c.value);
    }
    EXPECT_FALSE(ReadAll(file));
  }
}

TEST(PeResourceTest, EveryTruncationIsRefused) {
  const auto file = Bytes(test::PeWithVersionResource(Resource()));
  for (std::size_t length = 0; length < file.size(); ++length) {
    SCOPED_TRACE(length);
    EXPECT_FALSE(ReadAll({file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length)}));
  }
}

TEST(PeResourceTest, NoSingleCorruptByteLeadsOutside) {
  const auto file = Bytes(test::PeWithVersionResource(Resource()));
  for (std::size_t at = 0; at < file.size(); ++at) {
    for (const int mask : {0x01, 0x80, 0xFF}) {
      auto corrupt = file;
      corrupt[at] = static_cast<std::uint8_t>(corrupt[at] ^ mask);
      ReadAll(corrupt);
    }
  }
}

// A tree whose second string value has been given a lying length or key.
TEST(VersionBlockTest, ALyingNodeEndsTheSearchWithinItsParent) {
  using namespace test;
  const std::string resource = Serialize(VersionRoot(
      FixedInfo{1, 2, 0},
      {StringFileInfo({StringTable(
          u"040904E4", {StringValue(u"FileVersion", u"5.7.0.1"), StringValue(u"Last", u"x")})})}));
  const std::size_t last = resource.rfind(std::string("L\0a\0s\0t\0", 8)) - 6;
  const struct {
    const char* label;
    std::vector<std::pair<std::size_t, std::uint16_t>> patches;
  } cases[] = {
      {"child longer than its parent", {{last, 0xFFF0}}},
      {"child of length zero", {{last, 0}}},
      {"key running to the end", {{last + 14, 0x4141}, {last + 16, 0x4141}, {last + 18, 0x4141}}},
      {"value longer than its node", {{last + 2, 0x7FFF}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    auto bytes = Bytes(resource);
    for (const auto& [at, value] : c.patches) Patch16(bytes, at, value);
    std::vector<std::uint8_t> block(platform::VersionBlockSize(bytes));
    platform::FillVersionBlock(bytes, block);
    void* value = nullptr;
    unsigned length = 0;
    ASSERT_TRUE(platform::QueryVersionBlock(block.data(), "\\StringFileInfo\\040904E4\\FileVersion",
                                            &value, &length));
    EXPECT_STREQ(static_cast<const char*>(value), "5.7.0.1");
    if (platform::QueryVersionBlock(block.data(), "\\StringFileInfo\\040904E4\\Last", &value,
                                    &length)) {
      EXPECT_LE(static_cast<std::uint8_t*>(value) + length, block.data() + block.size());
    }
  }
}

TEST(ElfSectionTest, FindsTheNamedSection) {
  const auto file = Bytes(test::ElfWithSection(".rsrc_version", "contents"));
  const auto found = platform::FindElfSection(file, ".rsrc_version");
  ASSERT_TRUE(found);
  EXPECT_EQ(std::string(found->begin(), found->end()), "contents");
  EXPECT_FALSE(platform::FindElfSection(file, ".rsrc"));
  EXPECT_FALSE(platform::FindElfSection(file, ".rsrc_version_"));
}

TEST(ElfSectionTest, LocatingASectionReadsNoOtherSectionsBytes) {
  const std::string large(1 << 20, 'x');
  const auto file = Bytes(test::ElfWithSection(".rsrc_other", large));
  std::uint64_t bytes_read = 0;
  const platform::ReadBytesAt whole = platform::ReadFromMemory(file);
  const platform::ReadBytesAt counting = [&](std::uint64_t offset, std::uint64_t size) {
    bytes_read += size;
    return whole(offset, size);
  };
  const auto names = platform::LocateElfSection(counting, ".shstrtab");
  ASSERT_TRUE(names);
  EXPECT_EQ(names->offset, 64 + large.size());
  EXPECT_LT(bytes_read, 1024u);
  EXPECT_FALSE(platform::FindVersionResource(counting, file.size()));
  EXPECT_LT(bytes_read, 2048u);
}

TEST(ElfSectionTest, RefusesTruncatedAndLyingFiles) {
  const auto file = Bytes(test::ElfWithSection(".rsrc_version", Resource()));
  for (std::size_t length = 0; length < file.size(); ++length) {
    SCOPED_TRACE(length);
    EXPECT_FALSE(ReadAll({file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length)}));
  }
  for (std::size_t at = 0; at < file.size(); ++at) {
    auto corrupt = file;
    corrupt[at] = static_cast<std::uint8_t>(~corrupt[at]);
    ReadAll(corrupt);
  }
  auto no_bits = file;
  const std::size_t section_1 = file.size() - 2 * 64;
  Patch32(no_bits, section_1 + 4, 8);  // SHT_NOBITS
  EXPECT_FALSE(ReadAll(no_bits));
}

}  // namespace
}  // namespace regcorvex
